#pragma once

// The line reader behind ObjFormat. It takes a narrow subset of OBJ: triangles
// whose corners all carry position, texture and normal indices, and integer
// material ids. Whatever it refuses, it says why and where, so that a user's
// file can be fixed and tests can tell one refusal from another.

#include <cstddef>
#include <cstdint>

#include "core-interface/Stack.h"
#include "core-interface/String.h"
#include "host/Mesh.h"

namespace Nimbal {

enum class ObjRefusal {
    None,
    CannotOpen,       // the file could not be opened
    Material,         // "usemtl " not followed by exactly one integer
    TextureVertex,    // "vt" line without exactly three numbers
    Normal,           // "vn" line without exactly three numbers
    Position,         // "v" line without exactly three numbers
    Face,             // "f" line that is not three corners of the form v/vt/vn
    IndexOutOfRange,  // a face index below 1 or past the end of its array
    TooLarge,         // more records than a mesh can count
};

// Short English text of a refusal, for logs.
const char* describeObjRefusal(ObjRefusal refusal);

class ObjParser {
public:
    ObjParser() = default;
    ~ObjParser();
    ObjParser(const ObjParser&) = delete;
    ObjParser& operator=(const ObjParser&) = delete;

    // One line without its line end. As for C text, the line ends at its first
    // NUL byte. Lines of no interest are skipped. False once a line has been
    // refused; later lines are then ignored.
    bool addLine(const char* text, size_t length);

    // The same without a copy: fill lineBuffer(length) with the line's
    // `length` bytes, none of them NUL, then call addBufferedLine(length).
    char* lineBuffer(size_t length);
    bool addBufferedLine(size_t length);

    // Checks the face indices against the final counts (a face may name a
    // vertex that a later line defines) and fills `mesh`, replacing what it
    // held. On a refusal `mesh` is left as it was.
    bool build(Mesh& mesh);

    ObjRefusal refusal() const { return refusal_; }
    // 1-based number of the line refused (for an index: the face's line).
    int64_t refusalLine() const { return refusalLine_; }
    // Marks the reading as refused from outside (a file that cannot be opened).
    void refuse(ObjRefusal why, int64_t line) { fail(why, line); }

    int64_t linesSeen() const { return lineNumber_; }

private:
    struct Corner {
        int32_t v, t, n;
    };
    struct Triangle {
        Corner c[3];
        int32_t material;
    };
    // A face that named an index not yet defined when it was read.
    struct Pending {
        int32_t face;
        int64_t line;
    };

    bool fail(ObjRefusal why, int64_t line);
    bool parseTriple(const char* p, const char* end, Stack<Point3>& into, ObjRefusal why);
    bool parseFace(const char* p, const char* end);
    bool parseMaterial(const char* p, const char* end);

    // The line being parsed, followed by a NUL so that the scanning loops
    // stop at it without checking the length at every byte.
    char* line_ = nullptr;
    size_t lineCapacity_ = 0;

    Stack<Point3> positions_;
    Stack<Point3> textureVertices_;
    Stack<Point3> normals_;
    Stack<Triangle> triangles_;
    Stack<Pending> pending_;
    int32_t material_ = -1;
    int64_t lineNumber_ = 0;
    ObjRefusal refusal_ = ObjRefusal::None;
    int64_t refusalLine_ = 0;
};

// Reads an OBJ file through the core's FileReader, as ObjFormat::read does,
// and tells why it was refused. Nothing is logged.
ObjRefusal readObjFile(const String& fileName, Mesh& mesh, int64_t* refusalLine = nullptr);

} // namespace Nimbal
