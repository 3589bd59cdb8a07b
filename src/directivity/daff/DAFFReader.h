#pragma once
// Reader of DAFF directivity files, file format version 1.7 (170).
//
// openFile reads and validates the whole structure: header, block table,
// main header, content header, record descriptors, data block and metadata.
// Every offset and size taken from the file is checked against the file and
// block sizes before it is used, so a truncated or corrupted file yields an
// error code (see DAFFUtils), never a read outside the data. The reader
// reports problems by code only; it never shows messages or ends anything.

#include <memory>
#include <string>

#include "directivity/daff/DAFFContent.h"
#include "directivity/daff/DAFFMetadata.h"
#include "directivity/daff/DAFFProperties.h"

class DAFFReader {
public:
    static std::unique_ptr<DAFFReader> create();

    DAFFReader() = default;
    DAFFReader(const DAFFReader&) = delete;
    DAFFReader& operator=(const DAFFReader&) = delete;

    // Returns 0, or an error code; on error the reader stays closed.
    int openFile(const std::string& path);
    void closeFile();
    bool isFileOpened() const { return m_content != nullptr; }

    // Valid while a file is open.
    int getFileFormatVersion() const { return m_version; }
    int getContentType() const { return m_properties.contentType; }
    const DAFFProperties* getProperties() const { return isFileOpened() ? &m_properties : nullptr; }
    // The content object of the file's type (DAFFContentIR, DAFFContentMS or
    // the grid-only base); owned by the reader, null when closed.
    DAFFContent* getContent() const { return m_content.get(); }
    // Empty when the file has no metadata block.
    const DAFFMetadata& getMetadata() const { return m_metadata; }
    const std::string& getFilename() const { return m_path; }

private:
    std::string m_path;
    int m_version = 0;
    DAFFProperties m_properties;
    std::unique_ptr<DAFFContent> m_content;
    DAFFMetadata m_metadata;
};
