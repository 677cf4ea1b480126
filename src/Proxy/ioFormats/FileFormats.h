#pragma once

// Proxy mesh files: the format interface, the choice of a format from a file
// name, the file-information record and the error every format raises on
// input/output failure.

#include <ctime>

#include "core-interface/Exception.h"
#include "core-interface/Object.h"
#include "core-interface/String.h"
#include "host/Mesh.h"

namespace Nimbal {

// Names of the scene object a proxy file was made from.
struct ProxyFileInfo {
    String originalMaterialName;
    String originalObjectName;
};

namespace Abstract {

// One mesh file. Instances come from formatForFile (core heap) and are
// released through the virtual destructor.
class FileFormat : public Polymorphic {
public:
    explicit FileFormat(const String& fileName) : fileName(fileName) {}
    ~FileFormat() override = default;

    // False for any failure: content that does not match the format as well as
    // input/output errors (a FileError raised inside is caught here). Only
    // exceptions other than the library's Exception pass through.
    virtual bool read(Mesh& mesh, ProxyFileInfo& info) = 0;
    virtual bool write(const Mesh& mesh, const ProxyFileInfo& info) = 0;

    const String& getFileName() const { return fileName; }

protected:
    String fileName;
};

} // namespace Abstract

// A new format chosen by the (case-insensitive) extension of the name; owned
// by the caller. Names with an unknown extension get the proxy format.
Abstract::FileFormat* formatForFile(const String& fileName);

// "Cannot open/read/write file '<name>'", code 123.
class FileError : public Exception {
public:
    explicit FileError(const String& fileName);
};

// The library's own format: text header plus one zlib stream. Reads and writes.
class NProxyFormat : public Abstract::FileFormat {
public:
    using Abstract::FileFormat::FileFormat;
    bool read(Mesh& mesh, ProxyFileInfo& info) override;
    bool write(const Mesh& mesh, const ProxyFileInfo& info) override;

    // The local time written as "Date created". Tests install a fixed clock;
    // null restores the system clock. Returns the clock that was installed.
    using LocalClock = std::tm (*)();
    static LocalClock setLocalClock(LocalClock clock);
};

// The read-only formats: asking one to write is a programming error, raised
// from this header (their writers are defined here, not in a source file).

// Wavefront text meshes (read only).
class ObjFormat : public Abstract::FileFormat {
public:
    using Abstract::FileFormat::FileFormat;
    bool read(Mesh& mesh, ProxyFileInfo& info) override;
    bool write(const Mesh&, const ProxyFileInfo&) override { NIMBAL_STOP(); }
};

// Legacy uncompressed binary mesh (read only).
class NMeshFormat : public Abstract::FileFormat {
public:
    using Abstract::FileFormat::FileFormat;
    bool read(Mesh& mesh, ProxyFileInfo& info) override;
    bool write(const Mesh&, const ProxyFileInfo&) override { NIMBAL_STOP(); }
};

// Legacy sectioned binary mesh (read only).
class NBinFormat : public Abstract::FileFormat {
public:
    using Abstract::FileFormat::FileFormat;
    bool read(Mesh& mesh, ProxyFileInfo& info) override;
    bool write(const Mesh&, const ProxyFileInfo&) override { NIMBAL_STOP(); }
};

// Legacy mesh layout inside one zlib stream (read only).
class ZipMeshFormat : public Abstract::FileFormat {
public:
    using Abstract::FileFormat::FileFormat;
    bool read(Mesh& mesh, ProxyFileInfo& info) override;
    bool write(const Mesh&, const ProxyFileInfo&) override { NIMBAL_STOP(); }
};

} // namespace Nimbal
