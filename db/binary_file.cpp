#include "db/binary_file.h"

#include <sys/stat.h>

#include <algorithm>

#include "db/disk_events.h"
#include "db/error.h"
#include "db/log.h"

BinaryFile::BinaryFile(const char* contextTag, int32_t readBufferSize)
    : contextTag_(contextTag),
      buffer_(new uint8_t[std::max(readBufferSize, int32_t(kWriteBufferSize))]),
      readBufferSize_(std::max(readBufferSize, int32_t(kBufferSize))) {}

BinaryFile::~BinaryFile() {
  if (IsOpen()) {
    // A destructor must not throw: a failure here is logged, and the caller that needed the
    // data on disk has closed explicitly before.
    if (write_ && bufferPos_ > 0) {
      size_t pending = bufferPos_;
      bufferPos_ = 0;
      bool written =
          gz_ ? gzwrite(gz_, buffer_, pending) == int(pending) : std::fwrite(buffer_, 1, pending, plain_) == pending;
      if (!written) LogMessage("ERROR: %s: Cannot write file %s\n", contextTag_, name_.c_str());
    }
    if (!CloseHandles() && write_) LogMessage("ERROR: %s: Cannot write file %s\n", contextTag_, name_.c_str());
  }
  delete[] buffer_;
}

bool BinaryFile::Open(const std::string& name, bool write, bool gzip, int mode) {
  if (IsOpen()) CloseHandles();
  name_ = name;
  write_ = write;
  gzip_ = gzip;
  mode_ = mode;
  bufferPos_ = bufferCount_ = 0;
  fileSize_ = 0;
  lastReported_ = 0;
  bool append = (mode & kAppend) != 0;
  if (!write) {
    struct stat info;
    if (stat(name.c_str(), &info) == 0) fileSize_ = info.st_size;
  }
  if (gzip) {
    if (write && append) return false;
    gz_ = gzopen(name.c_str(), write ? "wb" : "rb");
    if (gz_ && write) gzsetparams(gz_, 1, Z_DEFAULT_STRATEGY);
  } else {
    plain_ = std::fopen(name.c_str(), write ? (append ? "ab" : "wb") : "rb");
  }
  if (write && IsOpen() && DiskEventsRecorded()) {
    DiskEvent opened;
    opened.kind = DiskEvent::Kind::kOpen;
    opened.path = name;
    opened.append = append;
    NoteDiskEvent(opened);
  }
  // Appending starts at the current end of the file; from then on the position is counted
  // here, so that Tell never needs the system.
  bufferStart_ = 0;
  if (plain_ && append) {
    off_t end = ftello(plain_);
    if (end < 0) {
      CloseHandles();
      return false;
    }
    bufferStart_ = int64_t(end);
  }
  return IsOpen();
}

void BinaryFile::ThrowWriteError() {
  std::string message = "Cannot write file " + name_;
  throw Error(contextTag_, message);
}

void BinaryFile::NoteWrite(const void* src, size_t n) const {
  if (gz_ || !DiskEventsRecorded()) return;
  DiskEvent written;
  written.path = name_;
  written.offset = bufferStart_;
  const uint8_t* bytes = static_cast<const uint8_t*>(src);
  written.bytes.assign(bytes, bytes + n);
  NoteDiskEvent(written);
}

void BinaryFile::WriteOut(const void* src, size_t n) {
  if (n == 0) return;
  if (InjectedDiskFault()) {
    size_t half = n / 2;
    if (gz_) {
      gzwrite(gz_, src, unsigned(half));
    } else {
      std::fwrite(src, 1, half, plain_);
    }
    NoteWrite(src, half);
    ThrowWriteError();
  }
  NoteWrite(src, n);
  bool written = gz_ ? gzwrite(gz_, src, unsigned(n)) == int(n) : std::fwrite(src, 1, n, plain_) == n;
  if (!written) ThrowWriteError();
  bufferStart_ += int64_t(n);
}

void BinaryFile::Flush() {
  if (!IsOpen() || !write_) return;
  size_t pending = bufferPos_;
  bufferPos_ = 0;
  WriteOut(buffer_, pending);
  bool flushed = gz_ ? gzflush(gz_, Z_FINISH) == Z_OK : std::fflush(plain_) == 0;
  if (!flushed) ThrowWriteError();
}

bool BinaryFile::CloseHandles() {
  bool closed = !(write_ && InjectedDiskFault());
  if (gz_ && gzclose(gz_) != Z_OK) closed = false;
  if (plain_ && std::fclose(plain_) != 0) closed = false;
  gz_ = nullptr;
  plain_ = nullptr;
  bufferPos_ = bufferCount_ = 0;
  return closed;
}

void BinaryFile::Close() {
  if (!IsOpen()) return;
  if (write_) {
    size_t pending = bufferPos_;
    bufferPos_ = 0;
    try {
      WriteOut(buffer_, pending);
    } catch (const Error&) {
      CloseHandles();
      throw;
    }
  }
  if (!CloseHandles() && write_) ThrowWriteError();
}

namespace {
// Up to n bytes of the underlying stream into dst; 0 at its end or on a failure.
int32_t ReadStream(gzFile gz, FILE* plain, uint8_t* dst, int32_t n) {
  int got = gz ? gzread(gz, dst, unsigned(n)) : int(std::fread(dst, 1, size_t(n), plain));
  return got > 0 ? int32_t(got) : 0;
}
}  // namespace

bool BinaryFile::Refill() {
  if (!IsOpen() || write_) return false;
  int32_t got = ReadStream(gz_, plain_, buffer_, readBufferSize_);
  bufferStart_ += bufferCount_;
  bufferPos_ = 0;
  bufferCount_ = got;
  return bufferCount_ > 0;
}

const uint8_t* BinaryFile::FillContiguous(size_t n) {
  if (!IsOpen() || write_ || n > size_t(readBufferSize_)) return nullptr;
  // The unread bytes move to the front, and the stream fills the rest behind them.
  int32_t kept = bufferCount_ - bufferPos_;
  std::memmove(buffer_, buffer_ + bufferPos_, size_t(kept));
  bufferStart_ += bufferPos_;
  bufferPos_ = 0;
  bufferCount_ = kept;
  while (size_t(bufferCount_) < n) {
    int32_t got = ReadStream(gz_, plain_, buffer_ + bufferCount_, readBufferSize_ - bufferCount_);
    if (got == 0) return nullptr;
    bufferCount_ += got;
  }
  return buffer_;
}

size_t BinaryFile::Read(void* dst, size_t n) {
  uint8_t* out = static_cast<uint8_t*>(dst);
  size_t done = 0;
  while (done < n) {
    if (bufferPos_ >= bufferCount_ && !Refill()) break;
    size_t take = std::min<size_t>(n - done, size_t(bufferCount_ - bufferPos_));
    std::memcpy(out + done, buffer_ + bufferPos_, take);
    bufferPos_ += int32_t(take);
    done += take;
  }
  return done;
}

bool BinaryFile::ReadByteRefilled(uint8_t& v) {
  if (!Refill()) return false;
  v = buffer_[bufferPos_++];
  return true;
}

void BinaryFile::WriteBytes(const void* src, size_t n) {
  if (n == 0) n = std::strlen(static_cast<const char*>(src));
  if (!IsOpen() || !write_) ThrowWriteError();
  const uint8_t* in = static_cast<const uint8_t*>(src);
  if (n >= size_t(kWriteBufferSize)) {
    size_t pending = bufferPos_;
    bufferPos_ = 0;
    WriteOut(buffer_, pending);
    WriteOut(in, n);
    return;
  }
  if (bufferPos_ + n > size_t(kWriteBufferSize)) {
    size_t pending = bufferPos_;
    bufferPos_ = 0;
    WriteOut(buffer_, pending);
  }
  std::memcpy(buffer_ + bufferPos_, in, n);
  bufferPos_ += int32_t(n);
}

uint8_t* BinaryFile::MakeWriteRoom(size_t n) {
  if (!IsOpen() || !write_ || n > size_t(kWriteBufferSize)) ThrowWriteError();
  size_t pending = bufferPos_;
  bufferPos_ = 0;
  WriteOut(buffer_, pending);
  return buffer_;
}

void BinaryFile::WriteByte(uint8_t v) {
  if (bufferPos_ < kWriteBufferSize && write_ && IsOpen()) {
    buffer_[bufferPos_++] = v;
    return;
  }
  WriteBytes(&v, 1);
}

void BinaryFile::WriteBE16(uint16_t v) {
  uint8_t b[2] = {uint8_t(v >> 8), uint8_t(v)};
  WriteBytes(b, 2);
}

void BinaryFile::WriteBE32(uint32_t v) {
  uint8_t b[4] = {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)};
  WriteBytes(b, 4);
}

int64_t BinaryFile::Tell() {
  if (!IsOpen()) return -1;
  return bufferStart_ + bufferPos_;
}

bool BinaryFile::Seek(int64_t pos) {
  if (!IsOpen() || write_ || pos < 0) return false;
  int64_t end = bufferStart_ + bufferCount_;
  if (bufferStart_ <= pos && pos < end) {
    bufferPos_ = int32_t(pos - bufferStart_);
    return true;
  }
  bufferPos_ = bufferCount_ = 0;
  bufferStart_ = end;
  if (pos == end) return true;
  bool moved = gz_ ? gzseek(gz_, z_off_t(pos), SEEK_SET) == z_off_t(pos) : fseeko(plain_, off_t(pos), SEEK_SET) == 0;
  if (!moved) {
    // The underlying stream may have moved anyway: take its word for where it stands.
    int64_t actual = gz_ ? int64_t(gztell(gz_)) : int64_t(ftello(plain_));
    bufferStart_ = actual < 0 ? end : actual;
    return false;
  }
  bufferStart_ = pos;
  return true;
}

bool BinaryFile::SeekEnd() {
  if (!IsOpen()) return false;
  if (write_) {
    // Writing always happens at the end; pending bytes count for Tell.
    return true;
  }
  bufferStart_ += bufferCount_;
  bufferPos_ = bufferCount_ = 0;
  if (plain_) {
    off_t end = fseeko(plain_, 0, SEEK_END) == 0 ? ftello(plain_) : off_t(-1);
    if (end < 0) return false;
    bufferStart_ = int64_t(end);
    return true;
  }
  // zlib cannot seek to the end of a compressed stream: read through it instead.
  while (Refill()) {
  }
  return true;
}

bool BinaryFile::HasMore() { return bufferPos_ < bufferCount_ || Refill(); }

double BinaryFile::FractionRead() {
  if (!IsOpen() || fileSize_ <= 0) return 0;
  int64_t done = gz_ ? int64_t(gzoffset(gz_)) : Tell();
  return double(done) / double(fileSize_);
}

void BinaryFile::ReportProgress() {
  double f = FractionRead();
  if (f < 0.99 && f > lastReported_ + 0.1) {
    lastReported_ = f;
    LogMessage("%d%% read\n", int(f * 100));
  }
}

uint8_t BinaryFile::ReadChainedByte() {
  uint8_t b;
  if (!ReadByte(b)) throw Error(kTagBinaryIn, "Unexpected end of file");
  return b;
}

// The chained reads decode straight from the buffer when the longest value (5 bytes) is there
// and ends within them; anything else, a malformed value included, takes the byte-wise path,
// which gives the same value or the same Error.
uint32_t BinaryFile::ReadUnsignedChained() {
  if (bufferCount_ - bufferPos_ >= 5) {
    const uint8_t* in = buffer_ + bufferPos_;
    uint32_t value = 0;
    for (int i = 0; i < 5; ++i) {
      value |= uint32_t(in[i] & 0x7f) << (7 * i);
      if (!(in[i] & 0x80)) {
        bufferPos_ += i + 1;
        return value;
      }
    }
  }
  return ReadUnsignedChainedByBytes();
}

uint32_t BinaryFile::ReadUnsignedChainedByBytes() {
  uint32_t value = 0;
  for (int i = 0;; ++i) {
    uint8_t b = ReadChainedByte();
    if (i == 5) throw Error(kTagBinaryIn, "Wrong Chained Integer format");
    value |= uint32_t(b & 0x7f) << (7 * i);
    if (!(b & 0x80)) return value;
  }
}

int32_t BinaryFile::ReadSignedChained() {
  if (bufferCount_ - bufferPos_ >= 5) {
    const uint8_t* in = buffer_ + bufferPos_;
    uint32_t magnitude = (in[0] >> 1) & 0x3f;
    bool negative = in[0] & 1;
    for (int i = 0; i < 5; ++i) {
      if (i > 0) magnitude |= uint32_t(in[i] & 0x7f) << (7 * i - 1);
      if (!(in[i] & 0x80)) {
        bufferPos_ += i + 1;
        return int32_t(negative ? 0u - magnitude : magnitude);
      }
    }
  }
  return ReadSignedChainedByBytes();
}

int32_t BinaryFile::ReadSignedChainedByBytes() {
  uint8_t b = ReadChainedByte();
  bool negative = b & 1;
  uint32_t magnitude = (b >> 1) & 0x3f;
  for (int i = 1; b & 0x80; ++i) {
    b = ReadChainedByte();
    if (i == 5) throw Error(kTagBinaryIn, "Wrong Chained Integer format");
    magnitude |= uint32_t(b & 0x7f) << (7 * i - 1);
  }
  return int32_t(negative ? 0u - magnitude : magnitude);
}
