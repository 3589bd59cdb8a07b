#pragma once
// Converters from the entities of one DXF layer to project-file lines.
//
// Each converter takes the open DXF drawing (read from its start, whatever the
// current position), the open project file being written and the name of the
// layer to convert (compared exactly, case included). It reads the entities of
// the drawing's ENTITIES section and appends one line per entity of that
// layer, in file order, with the layer name written without its blanks (project
// lines are blank-separated). It returns the number of lines written.
//
// Entities the converters cannot use (missing or non-numeric coordinates, a
// polyline without its SEQEND, polyface counts larger than what follows, face
// indices out of range, a file that ends inside an entity) are reported on the
// console and skipped; the rest of the drawing is still converted.
//
// Entity kinds are recognised by their subclass markers ("AcDb3dPolyline",
// "AcDbPolyFaceMesh", "AcDb3dPolylineVertex", "AcDbPolyFaceMeshVertex",
// "AcDbFaceRecord"); drawings of release 12, which carry no markers, are
// recognised by the equivalent flags of group 70.

#include <cstdio>
#include <string>

// The name with every blank removed.
std::string RemoveSpaces(const std::string& name);

// POINT entities as receiver lines: "x y z 0.4 0 LAYER" (centimetres).
int ConvertDXF_Receiver(FILE* dxf, FILE* out, const std::string& layer);

// POINT entities as source lines: "x y z 50000 0 0 94 LAYER NONE" (centimetres).
int ConvertDXF_Source(FILE* dxf, FILE* out, const std::string& layer);

// 3D polylines of more than two vertices as plane lines, their vertices in
// file order and unchanged (a closing repetition is left to the project
// reader). Prints the number of 3D polylines of the drawing first.
int ConvertDXF_3DPOLY(FILE* dxf, FILE* out, const std::string& layer);

// 3D faces as plane lines of their cleaned corners: a triangle given with a
// repeated corner has three. Prints the number of 3D faces of the drawing first.
int ConvertDXF_3DFACE(FILE* dxf, FILE* out, const std::string& layer);

// Polyface meshes: the outline traced along the visible edges of the faces
// gives one plane line; a mesh whose outline closes before it has used every
// vertex (a mesh with a hole) gives one plane line per face instead. Prints
// the number of polyface meshes of the drawing first.
int ConvertDXF_POLYFACEMESH(FILE* dxf, FILE* out, const std::string& layer);
