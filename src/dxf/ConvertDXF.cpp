#include "dxf/ConvertDXF.h"

#include <cmath>
#include <cstdlib>
#include <limits>
#include <vector>

#include "dxf/TDxfReader.h"
#include "geometry/TPlane.h"
#include "geometry/TPoint3D.h"
#include "util/Console.h"

namespace {

// A POLYLINE entity with the VERTEX entities that follow it.
struct TPolylineSequence {
    const TDxfEntity* header = nullptr;
    std::vector<const TDxfEntity*> vertices;
    bool ended = false; // closed by its SEQEND
};

enum class TPolylineKind { Other, Polyline3D, PolyfaceMesh };

// Polyline flags (group 70) and vertex flags, for drawings without markers.
constexpr int kPolyline3D = 8;
constexpr int kPolylinePolyface = 64;
constexpr int kVertex3D = 32;
constexpr int kVertexMesh = 64;
constexpr int kVertexFaceOrMesh = 128;

int Flags(const TDxfEntity& e)
{
    return e.Integer(70).value_or(0);
}

TPolylineKind KindOf(const TDxfEntity& polyline)
{
    if (polyline.HasMarkers()) {
        if (polyline.HasMarker("AcDb3dPolyline")) {
            return TPolylineKind::Polyline3D;
        }
        if (polyline.HasMarker("AcDbPolyFaceMesh")) {
            return TPolylineKind::PolyfaceMesh;
        }
        return TPolylineKind::Other;
    }
    const int flags = Flags(polyline);
    if ((flags & kPolylinePolyface) != 0) {
        return TPolylineKind::PolyfaceMesh;
    }
    return (flags & kPolyline3D) != 0 ? TPolylineKind::Polyline3D : TPolylineKind::Other;
}

bool Is3DVertex(const TDxfEntity& v)
{
    return v.HasMarkers() ? v.HasMarker("AcDb3dPolylineVertex") : (Flags(v) & kVertex3D) != 0;
}

bool IsMeshVertex(const TDxfEntity& v)
{
    const int both = kVertexFaceOrMesh | kVertexMesh;
    return v.HasMarkers() ? v.HasMarker("AcDbPolyFaceMeshVertex") : (Flags(v) & both) == both;
}

bool IsFaceRecord(const TDxfEntity& v)
{
    const int both = kVertexFaceOrMesh | kVertexMesh;
    return v.HasMarkers() ? v.HasMarker("AcDbFaceRecord") : (Flags(v) & both) == kVertexFaceOrMesh;
}

std::vector<TPolylineSequence> PolylineSequences(const std::vector<TDxfEntity>& entities)
{
    std::vector<TPolylineSequence> sequences;
    for (std::size_t i = 0; i < entities.size(); ++i) {
        if (entities[i].type != "POLYLINE") {
            continue;
        }
        TPolylineSequence sequence;
        sequence.header = &entities[i];
        std::size_t j = i + 1;
        while (j < entities.size() && entities[j].type == "VERTEX") {
            sequence.vertices.push_back(&entities[j]);
            ++j;
        }
        sequence.ended = j < entities.size() && entities[j].type == "SEQEND";
        // Without SEQEND the entity at j starts something new and is examined next.
        i = sequence.ended ? j : j - 1;
        sequences.push_back(std::move(sequence));
    }
    return sequences;
}

enum class TPointRead { Ok, Absent, Bad };

// A coordinate the room's geometry can use: parts of it work in single
// precision, where larger magnitudes become infinite.
bool IsUsableCoordinate(std::optional<double> value)
{
    return value && std::fabs(*value) <= static_cast<double>(std::numeric_limits<float>::max());
}

// The point of groups xCode, xCode + 10, xCode + 20 (10/20/30 for the first
// point, 11/21/31 for the second, ...). An omitted z is 0, the value DXF gives
// an absent group.
TPointRead ReadPoint(const TDxfEntity& e, int xCode, TPoint3D& point)
{
    const bool hasZ = e.Find(xCode + 20) != nullptr;
    if (e.Find(xCode) == nullptr && e.Find(xCode + 10) == nullptr && !hasZ) {
        return TPointRead::Absent;
    }
    const std::optional<double> x = e.Number(xCode);
    const std::optional<double> y = e.Number(xCode + 10);
    const std::optional<double> z = hasZ ? e.Number(xCode + 20) : std::optional<double>(0.0);
    if (!IsUsableCoordinate(x) || !IsUsableCoordinate(y) || !IsUsableCoordinate(z)) {
        return TPointRead::Bad;
    }
    point = TPoint3D::Make(*x, *y, *z);
    return TPointRead::Ok;
}

void ReportBadCoordinates(const TDxfEntity& e)
{
    ConsolePrint("DXF line %ld: %s with a missing, non-numeric or out-of-range coordinate; "
                "skipped.\n",
                e.line, e.type.c_str());
}

void WritePlaneLine(FILE* out, const std::vector<TPoint3D>& ring, const std::string& layer)
{
    std::fprintf(out, "%d ", static_cast<int>(ring.size()));
    for (const TPoint3D& p : ring) {
        std::fprintf(out, "%1.3f %1.3f %1.3f ", p.x, p.y, p.z);
    }
    std::fprintf(out, "%s\n", RemoveSpaces(layer).c_str());
}

// The POINT entities of the layer; writeLine prints one project line.
template <typename LineWriter>
int ConvertPoints(FILE* dxf, const std::string& layer, LineWriter writeLine)
{
    const TDxfEntities drawing = ReadDxfEntities(dxf);
    int written = 0;
    for (const TDxfEntity& e : drawing.entities) {
        if (e.type != "POINT" || e.Layer() != layer) {
            continue;
        }
        TPoint3D p;
        if (ReadPoint(e, 10, p) != TPointRead::Ok) {
            ReportBadCoordinates(e);
            continue;
        }
        writeLine(p);
        ++written;
    }
    return written;
}

// One polyface mesh, checked: its vertices and faces as the header counts them.
struct TPolyfaceMesh {
    std::vector<TPoint3D> vertices;
    std::vector<std::vector<int>> faces; // indices from 1; negative: invisible edge from there
};

// The mesh of the sequence, or nothing when it cannot be used (reported when
// report is set).
std::optional<TPolyfaceMesh> ReadPolyfaceMesh(const TPolylineSequence& sequence, bool report)
{
    const TDxfEntity& header = *sequence.header;
    auto fail = [&](const char* why) -> std::optional<TPolyfaceMesh> {
        if (report) {
            ConsolePrint("DXF line %ld: polyface mesh %s; skipped.\n", header.line, why);
        }
        return std::nullopt;
    };
    if (!sequence.ended) {
        return fail("without SEQEND");
    }
    const std::optional<int> numVertices = header.Integer(71);
    const std::optional<int> numFaces = header.Integer(72);
    if (!numVertices || !numFaces || *numVertices < 0 || *numFaces < 0) {
        return fail("with a missing or invalid vertex or face count (groups 71, 72)");
    }
    std::vector<const TDxfEntity*> vertexRecords;
    std::vector<const TDxfEntity*> faceRecords;
    for (const TDxfEntity* v : sequence.vertices) {
        if (IsMeshVertex(*v)) {
            vertexRecords.push_back(v);
        } else if (IsFaceRecord(*v)) {
            faceRecords.push_back(v);
        }
    }
    // The counts are checked against the records present before anything is
    // sized from them.
    if (vertexRecords.size() < static_cast<std::size_t>(*numVertices) ||
        faceRecords.size() < static_cast<std::size_t>(*numFaces)) {
        if (report) {
            ConsolePrint("DXF line %ld: polyface mesh announces %d vertices and %d faces but only "
                        "%zu and %zu follow; skipped.\n",
                        header.line, *numVertices, *numFaces, vertexRecords.size(),
                        faceRecords.size());
        }
        return std::nullopt;
    }
    TPolyfaceMesh mesh;
    for (int i = 0; i < *numVertices; ++i) {
        TPoint3D p;
        if (ReadPoint(*vertexRecords[i], 10, p) != TPointRead::Ok) {
            if (report) {
                ReportBadCoordinates(*vertexRecords[i]);
            }
            return fail("with an unreadable vertex");
        }
        mesh.vertices.push_back(p);
    }
    for (int f = 0; f < *numFaces; ++f) {
        const TDxfEntity& record = *faceRecords[f];
        std::vector<int> face;
        for (int code = 71; code <= 74; ++code) {
            const std::string* text = record.Find(code);
            // A fourth index of 0 or none at all makes a triangle.
            if (code == 74 && (text == nullptr || record.Integer(code) == 0)) {
                break;
            }
            const std::optional<int> index = record.Integer(code);
            if (!index) {
                if (report) {
                    ConsolePrint("DXF line %ld: face record with a missing or non-numeric vertex "
                                "index (group %d).\n",
                                record.line, code);
                }
                return fail("with an unreadable face");
            }
            if (*index == 0 || std::abs(static_cast<long>(*index)) > *numVertices) {
                if (report) {
                    ConsolePrint("DXF line %ld: face record index %d out of range 1..%d.\n",
                                record.line, *index, *numVertices);
                }
                return fail("with a face index out of range");
            }
            face.push_back(*index);
        }
        mesh.faces.push_back(std::move(face));
    }
    return mesh;
}

// The outline of the mesh as vertex numbers (from 1), following from each
// vertex the first visible edge that starts there. Empty when the faces do not
// chain; hole is set when the outline closes before it has used every vertex.
std::vector<int> MeshOutline(const TPolyfaceMesh& mesh, bool& hole)
{
    hole = false;
    const int numVertices = static_cast<int>(mesh.vertices.size());
    // First face entry (faces in order, entries in order) of each vertex as a
    // visible edge start, so that each step of the walk is one look-up.
    struct TEntry {
        int face = -1;
        int entry = -1;
    };
    std::vector<TEntry> firstVisible(static_cast<std::size_t>(numVertices) + 1);
    int start = 0;
    for (int f = 0; f < static_cast<int>(mesh.faces.size()); ++f) {
        const std::vector<int>& face = mesh.faces[f];
        for (int k = 0; k < static_cast<int>(face.size()); ++k) {
            if (face[k] > 0) {
                if (start == 0) {
                    start = face[k];
                }
                if (firstVisible[face[k]].face < 0) {
                    firstVisible[face[k]] = {f, k};
                }
            }
        }
    }
    if (start == 0) {
        return {};
    }
    std::vector<int> outline = {start};
    for (int v = 1; v < numVertices; ++v) {
        const TEntry at = firstVisible[outline.back()];
        if (at.face < 0) {
            return {};
        }
        const std::vector<int>& face = mesh.faces[at.face];
        const int next = std::abs(face[(at.entry + 1) % face.size()]);
        if (next == start) {
            hole = true;
            return outline;
        }
        outline.push_back(next);
    }
    return outline;
}

} // namespace

std::string RemoveSpaces(const std::string& name)
{
    std::string result;
    for (char c : name) {
        if (c != ' ') {
            result.push_back(c);
        }
    }
    return result;
}

int ConvertDXF_Receiver(FILE* dxf, FILE* out, const std::string& layer)
{
    const std::string name = RemoveSpaces(layer);
    return ConvertPoints(dxf, layer, [&](TPoint3D p) {
        std::fprintf(out, "%1.2f %1.2f %1.2f 0.4 0 %s\n", p.x, p.y, p.z, name.c_str());
    });
}

int ConvertDXF_Source(FILE* dxf, FILE* out, const std::string& layer)
{
    const std::string name = RemoveSpaces(layer);
    return ConvertPoints(dxf, layer, [&](TPoint3D p) {
        std::fprintf(out, "%1.2f %1.2f %1.2f 50000 0 0 94 %s NONE\n", p.x, p.y, p.z, name.c_str());
    });
}

int ConvertDXF_3DPOLY(FILE* dxf, FILE* out, const std::string& layer)
{
    const TDxfEntities drawing = ReadDxfEntities(dxf);
    std::vector<TPolylineSequence> polylines;
    for (auto& sequence : PolylineSequences(drawing.entities)) {
        if (KindOf(*sequence.header) == TPolylineKind::Polyline3D) {
            polylines.push_back(std::move(sequence));
        }
    }
    ConsolePrint("NUMERO DE 3DPOLY: %d\n", static_cast<int>(polylines.size()));

    int written = 0;
    for (const TPolylineSequence& polyline : polylines) {
        if (polyline.header->Layer() != layer) {
            continue;
        }
        if (!polyline.ended) {
            ConsolePrint("DXF line %ld: 3D polyline without SEQEND; skipped.\n",
                        polyline.header->line);
            continue;
        }
        std::vector<TPoint3D> ring;
        bool readable = true;
        for (const TDxfEntity* v : polyline.vertices) {
            if (!Is3DVertex(*v)) {
                continue;
            }
            TPoint3D p;
            if (ReadPoint(*v, 10, p) != TPointRead::Ok) {
                ReportBadCoordinates(*v);
                readable = false;
                break;
            }
            ring.push_back(p);
        }
        if (!readable) {
            ConsolePrint("DXF line %ld: 3D polyline skipped.\n", polyline.header->line);
            continue;
        }
        if (ring.size() <= 2) {
            continue;
        }
        WritePlaneLine(out, ring, layer);
        ++written;
    }
    return written;
}

int ConvertDXF_3DFACE(FILE* dxf, FILE* out, const std::string& layer)
{
    const TDxfEntities drawing = ReadDxfEntities(dxf);
    int count = 0;
    for (const TDxfEntity& e : drawing.entities) {
        count += e.type == "3DFACE" ? 1 : 0;
    }
    ConsolePrint("NUMERO DE 3DFace: %d\n", count);

    int written = 0;
    for (const TDxfEntity& e : drawing.entities) {
        if (e.type != "3DFACE" || e.Layer() != layer) {
            continue;
        }
        TPlane face(4);
        bool readable = true;
        for (int corner = 0; corner < 4 && readable; ++corner) {
            TPoint3D p;
            const TPointRead read = ReadPoint(e, 10 + corner, p);
            if (read == TPointRead::Absent && corner == 3) {
                // Some writers leave out the fourth corner of a triangle.
                p = face.vertice[2];
            } else if (read != TPointRead::Ok) {
                readable = false;
            }
            face.SetVertex(static_cast<unsigned int>(corner), p);
        }
        if (!readable) {
            ReportBadCoordinates(e);
            continue;
        }
        face.CheckForErrors();
        if (face.NumVert < 3) {
            ConsolePrint("DXF line %ld: 3DFACE without area; skipped.\n", e.line);
            continue;
        }
        WritePlaneLine(out, face.vertice, layer);
        ++written;
    }
    return written;
}

int ConvertDXF_POLYFACEMESH(FILE* dxf, FILE* out, const std::string& layer)
{
    const TDxfEntities drawing = ReadDxfEntities(dxf);
    std::vector<TPolylineSequence> meshes;
    for (auto& sequence : PolylineSequences(drawing.entities)) {
        if (KindOf(*sequence.header) == TPolylineKind::PolyfaceMesh) {
            meshes.push_back(std::move(sequence));
        }
    }
    ConsolePrint("NUMERO DE 3DPolyFaceMesh: %d\n", static_cast<int>(meshes.size()));

    int written = 0;
    for (const TPolylineSequence& sequence : meshes) {
        const bool wanted = sequence.header->Layer() == layer;
        const std::optional<TPolyfaceMesh> mesh = ReadPolyfaceMesh(sequence, wanted);
        if (!mesh) {
            continue;
        }
        bool hole = false;
        const std::vector<int> outline = MeshOutline(*mesh, hole);
        if (outline.empty()) {
            ConsolePrint("Erro ao organizar vertices de polymesh\n");
            continue;
        }
        if (!wanted) {
            continue;
        }
        if (hole) {
            for (const std::vector<int>& face : mesh->faces) {
                std::vector<TPoint3D> ring;
                for (int index : face) {
                    ring.push_back(mesh->vertices[std::abs(index) - 1]);
                }
                WritePlaneLine(out, ring, layer);
                ++written;
            }
            continue;
        }
        std::vector<TPoint3D> points;
        for (int index : outline) {
            points.push_back(mesh->vertices[index - 1]);
        }
        const TPlane plane(points);
        if (plane.NumVert < 3) {
            ConsolePrint("DXF line %ld: polyface mesh without area; skipped.\n",
                        sequence.header->line);
            continue;
        }
        WritePlaneLine(out, plane.vertice, layer);
        ++written;
    }
    return written;
}
