#include "host/Save.h"

void ISave::BeginChunk(USHORT id) {
    const uint8_t header[6] = {static_cast<uint8_t>(id & 0xFF), static_cast<uint8_t>(id >> 8), 0, 0, 0, 0};
    bytes_.insert(bytes_.end(), header, header + 6);
    open_.push_back(bytes_.size());
}

void ISave::EndChunk() {
    if (open_.empty()) return;
    const size_t start = open_.back();
    open_.pop_back();
    const uint32_t len = static_cast<uint32_t>(bytes_.size() - start);
    for (int i = 0; i < 4; ++i) bytes_[start - 4 + i] = static_cast<uint8_t>(len >> (8 * i));
}

IOResult ISave::Write(const void* buf, ULONG nbytes, ULONG* nwritten) {
    const auto* p = static_cast<const uint8_t*>(buf);
    bytes_.insert(bytes_.end(), p, p + nbytes);
    if (nwritten) *nwritten = nbytes;
    return IO_OK;
}

IOResult ISave::WriteWString(const MCHAR* s) {
    const MSTR text = s ? s : u"";
    for (char16_t c : text) {
        uint8_t b[2] = {static_cast<uint8_t>(c & 0xFF), static_cast<uint8_t>(c >> 8)};
        bytes_.insert(bytes_.end(), b, b + 2);
    }
    bytes_.push_back(0);
    bytes_.push_back(0);
    return IO_OK;
}

IOResult ISave::WriteCString(const char* s) {
    const std::string text = s ? s : "";
    bytes_.insert(bytes_.end(), text.begin(), text.end());
    bytes_.push_back(0);
    return IO_OK;
}

int ISave::GetRefID(ReferenceTarget*) { return -1; }

ILoad::ILoad(const uint8_t* data, size_t size) : data_(data), size_(size) {}

size_t ILoad::Limit() const { return open_.empty() ? size_ : open_.back().end; }
size_t ILoad::Remaining() const { return Limit() - pos_; }

IOResult ILoad::OpenChunk() {
    const size_t limit = Limit();
    if (pos_ == limit) return IO_END;
    if (limit - pos_ < 6) return IO_ERROR;
    const uint8_t* h = data_ + pos_;
    const USHORT id = static_cast<USHORT>(h[0] | (h[1] << 8));
    const uint32_t len = static_cast<uint32_t>(h[2]) | (static_cast<uint32_t>(h[3]) << 8) |
                         (static_cast<uint32_t>(h[4]) << 16) | (static_cast<uint32_t>(h[5]) << 24);
    if (len > limit - pos_ - 6) return IO_ERROR;
    pos_ += 6;
    open_.push_back(Open{id, pos_, pos_ + len});
    return IO_OK;
}

USHORT ILoad::CurChunkID() const { return open_.empty() ? 0 : open_.back().id; }
ULONG ILoad::CurChunkLength() const {
    return open_.empty() ? 0 : static_cast<ULONG>(open_.back().end - open_.back().begin);
}

IOResult ILoad::CloseChunk() {
    if (open_.empty()) return IO_ERROR;
    pos_ = open_.back().end;
    open_.pop_back();
    return IO_OK;
}

IOResult ILoad::Read(void* buf, ULONG nbytes, ULONG* nread) {
    const size_t avail = Limit() - pos_;
    if (nbytes > avail) {
        if (nread) *nread = 0;
        return IO_ERROR;
    }
    if (nbytes) std::memcpy(buf, data_ + pos_, nbytes);
    pos_ += nbytes;
    if (nread) *nread = nbytes;
    return IO_OK;
}

IOResult ILoad::ReadWStringChunk(MSTR& s) {
    const size_t avail = Limit() - pos_;
    if (avail % 2) return IO_ERROR;
    s.clear();
    s.reserve(avail / 2);
    for (size_t i = 0; i + 1 < avail; i += 2) {
        const char16_t c = static_cast<char16_t>(data_[pos_ + i] | (data_[pos_ + i + 1] << 8));
        if (c == 0) break;
        s.push_back(c);
    }
    pos_ += avail;
    return IO_OK;
}

IOResult ILoad::ReadCStringChunk(std::string& s) {
    const size_t avail = Limit() - pos_;
    s.assign(reinterpret_cast<const char*>(data_ + pos_), avail);
    if (auto z = s.find('\0'); z != std::string::npos) s.resize(z);
    pos_ += avail;
    return IO_OK;
}
