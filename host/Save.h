// Chunked persistence. An object writes nested chunks (16-bit id, 32-bit
// length, payload); a loader walks them with every length checked against
// the chunk that holds it, so a damaged file ends in IO_ERROR, not a crash.
#pragma once

#include <cstring>
#include <string>
#include <type_traits>
#include <vector>

#include "host/Types.h"

class ReferenceTarget;
class ILoad;

class PostLoadCallback {
public:
    virtual ~PostLoadCallback() = default;
    virtual void proc(ILoad* iload) = 0;
    // Lower runs earlier; callbacks of equal priority run in registration order.
    virtual int Priority() { return 5; }
    // Called instead of proc when the load failed; a callback that frees
    // itself in proc frees itself here too.
    virtual void Abandon() {}
};

class ISave {
public:
    void BeginChunk(USHORT id);
    void EndChunk();
    IOResult Write(const void* buf, ULONG nbytes, ULONG* nwritten);
    IOResult WriteWString(const MCHAR* s);  // with terminator
    IOResult WriteCString(const char* s);   // with terminator
    template <class T>
    IOResult WriteValue(const T& v) {
        static_assert(std::is_trivially_copyable_v<T>);
        ULONG nw = 0;
        return Write(&v, sizeof(T), &nw);
    }
    // The index the object has in the file being written, or -1.
    virtual int GetRefID(ReferenceTarget* target);

    const std::vector<uint8_t>& Bytes() const { return bytes_; }
    void Clear() { bytes_.clear(); open_.clear(); }
    virtual ~ISave() = default;

private:
    std::vector<uint8_t> bytes_;
    std::vector<size_t> open_;
};

class ILoad {
public:
    ILoad(const uint8_t* data, size_t size);
    virtual ~ILoad() = default;

    // IO_OK and a new current chunk, IO_END when the enclosing chunk (or the
    // data) has no more, IO_ERROR when a header is damaged.
    IOResult OpenChunk();
    USHORT CurChunkID() const;
    ULONG CurChunkLength() const;
    IOResult CloseChunk();
    IOResult Read(void* buf, ULONG nbytes, ULONG* nread);
    // The rest of the current chunk as text (terminator dropped).
    IOResult ReadWStringChunk(MSTR& s);
    IOResult ReadCStringChunk(std::string& s);
    template <class T>
    IOResult ReadValue(T& v) {
        static_assert(std::is_trivially_copyable_v<T>);
        ULONG nr = 0;
        return Read(&v, sizeof(T), &nr);
    }
    size_t Remaining() const;

    virtual void RegisterPostLoadCallback(PostLoadCallback* cb) { callbacks_.push_back(cb); }
    std::vector<PostLoadCallback*> TakeCallbacks() { return std::move(callbacks_); }
    virtual ReferenceTarget* GetObjectByRefID(int) { return nullptr; }

private:
    struct Open {
        USHORT id;
        size_t begin, end;
    };
    size_t Limit() const;

    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
    std::vector<Open> open_;
    std::vector<PostLoadCallback*> callbacks_;
};
