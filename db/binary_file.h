#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <type_traits>

#include <zlib.h>

#include "db/error_tags.h"

// The one byte stream of the system: library index and cell data files, GDSII and OASIS files.
// A file is opened for reading or for writing, plain or gzip-compressed, and read or written
// through a buffer: 64 KiB for writing (an import writes all its cell data through one file,
// and system writes of 4 KiB cost the kernel several times more), and for reading the size
// given at construction (format readers that stream whole files ask for a large one, so that
// the system is called rarely; files read at random places keep the small one). Integers are
// little-endian unless named BE; chained integers are the 7-bit groups of OASIS and the cell
// data files.
//
// Failures: an open that fails returns false and leaves the file closed; every operation on a
// closed file fails cleanly (reads give false or 0). The first write, flush or close that
// fails throws Error(tag, "Cannot write file <name>"), where tag is the caller's context
// ("LIBOUT", "GDSOUT", ...). Chained-integer reads throw Error(kTagBinaryIn, ...) on malformed
// data or at the end of the file. Opening for writing, each write to the disk and each close
// pass through the disk-event seam (disk_events.h), whose injected fault fails them as a full
// disk would (a write puts half its bytes out first).
class BinaryFile {
 public:
  // Open-mode bit: append to an existing plain file instead of truncating it.
  static constexpr int kAppend = 8;
  static constexpr int kBufferSize = 4096;
  static constexpr int kWriteBufferSize = 64 * 1024;
  // The read buffer of the format readers: holds any GDSII record whole.
  static constexpr int kStreamBufferSize = 256 * 1024;

  explicit BinaryFile(const char* contextTag = kTagBinaryOut, int32_t readBufferSize = kBufferSize);
  ~BinaryFile();
  BinaryFile(const BinaryFile&) = delete;
  BinaryFile& operator=(const BinaryFile&) = delete;

  void SetContextTag(const char* tag) { contextTag_ = tag; }

  // Appending is refused for gzip: a gzip stream cannot be continued safely in place.
  bool Open(const std::string& name, bool write, bool gzip, int mode = 0);
  void Flush();
  // Throws when writing and a final write or close failed.
  void Close();
  bool IsOpen() const { return plain_ != nullptr || gz_ != nullptr; }
  bool IsWriting() const { return write_; }
  bool IsGzip() const { return gzip_; }
  const std::string& Name() const { return name_; }

  // The single-value reads take their bytes straight from the buffer when they are there;
  // only a read across the buffer's end goes through Read.
  bool ReadByte(uint8_t& v) {
    if (bufferPos_ < bufferCount_) {
      v = buffer_[bufferPos_++];
      return true;
    }
    return ReadByteRefilled(v);
  }
  template <typename T>
  bool Read2(T& v) {
    return ReadLittle<2>(v);
  }
  template <typename T>
  bool Read4(T& v) {
    return ReadLittle<4>(v);
  }
  template <typename T>
  bool Read8(T& v) {
    return ReadLittle<8>(v);
  }
  bool ReadBE16(uint16_t& v) {
    uint8_t b[2];
    const uint8_t* in = Take(b, 2);
    if (!in) return false;
    v = uint16_t((in[0] << 8) | in[1]);
    return true;
  }
  bool ReadBE32(uint32_t& v) {
    uint8_t b[4];
    const uint8_t* in = Take(b, 4);
    if (!in) return false;
    v = (uint32_t(in[0]) << 24) | (uint32_t(in[1]) << 16) | (uint32_t(in[2]) << 8) | in[3];
    return true;
  }
  // Reads up to n bytes; returns how many were read.
  size_t Read(void* dst, size_t n);

  // The next n bytes of a file open for reading, in one piece in the buffer, without moving
  // the read position; null when the file ends before them or n exceeds the read buffer (the
  // caller then reads them one by one). Valid until the next read, seek or close.
  const uint8_t* Contiguous(size_t n) {
    if (size_t(bufferCount_ - bufferPos_) >= n) return buffer_ + bufferPos_;
    return FillContiguous(n);
  }
  // Moves the read position over n bytes that Contiguous has just made available.
  void Advance(size_t n) { bufferPos_ += int32_t(n); }

  void WriteByte(uint8_t v);
  template <typename T>
  void Write2(T v) {
    WriteLittle<2>(v);
  }
  template <typename T>
  void Write4(T v) {
    WriteLittle<4>(v);
  }
  template <typename T>
  void Write8(T v) {
    WriteLittle<8>(v);
  }
  void WriteBE16(uint16_t v);
  void WriteBE32(uint32_t v);
  // n = 0 writes src as a zero-terminated string (without the terminator).
  void WriteBytes(const void* src, size_t n);

  // Position in the uncompressed stream; -1 on a closed file.
  int64_t Tell();
  // From the start; for files open for reading.
  bool Seek(int64_t pos);
  bool SeekEnd();
  // True while at least one more byte can be read.
  bool HasMore();
  // Share of the file read so far (of the compressed size for gzip); 0 when the size is unknown.
  double FractionRead();
  // Logs "N% read" each time another tenth of the file has been read, below 99%.
  void ReportProgress();

  // Encoded straight into the buffer when it has room, as most are: writers of cell data
  // write little else.
  void WriteUnsignedChained(uint32_t v) {
    if (HasWriteRoom(kMaxChainedBytes)) {
      bufferPos_ = int32_t(PutUnsignedChained(buffer_ + bufferPos_, v) - buffer_);
      return;
    }
    uint8_t bytes[kMaxChainedBytes];
    WriteBytes(bytes, size_t(PutUnsignedChained(bytes, v) - bytes));
  }
  void WriteSignedChained(int32_t v) {
    if (HasWriteRoom(kMaxChainedBytes)) {
      bufferPos_ = int32_t(PutSignedChained(buffer_ + bufferPos_, v) - buffer_);
      return;
    }
    uint8_t bytes[kMaxChainedBytes];
    WriteBytes(bytes, size_t(PutSignedChained(bytes, v) - bytes));
  }
  uint32_t ReadUnsignedChained();
  int32_t ReadSignedChained();

  // The bytes of one chained integer (at most kMaxChainedBytes) stored at out; returns the end.
  static constexpr int kMaxChainedBytes = 5;
  static uint8_t* PutUnsignedChained(uint8_t* out, uint32_t v) {
    for (; v > 127; v >>= 7) *out++ = uint8_t((v & 0x7f) | 0x80);
    *out++ = uint8_t(v);
    return out;
  }
  static uint8_t* PutSignedChained(uint8_t* out, int32_t v) {
    uint32_t magnitude = v < 0 ? 0u - uint32_t(v) : uint32_t(v);
    uint32_t rest = magnitude >> 6;
    uint8_t first = uint8_t(((magnitude & 0x3f) << 1) | (v < 0 ? 1 : 0));
    if (rest == 0) {
      *out++ = first;
      return out;
    }
    *out++ = uint8_t(first | 0x80);
    return PutUnsignedChained(out, rest);
  }

  // A run of writes checked once: room for up to n bytes (at most kWriteBufferSize) in the
  // write buffer, whose pending bytes go out first when they leave less. The caller stores its
  // bytes from the pointer returned, then ends the span at the first byte it did not store.
  // Writers of many small values (shape positions) use it instead of one call per value.
  uint8_t* BeginSpan(size_t n) {
    if (HasWriteRoom(int32_t(n))) return buffer_ + bufferPos_;
    return MakeWriteRoom(n);
  }
  void EndSpan(const uint8_t* end) { bufferPos_ = int32_t(end - buffer_); }

 private:
  // The unsigned integer of N bytes: values are assembled in it byte by byte, whatever the
  // host's byte order, and copied bit for bit into the caller's type (floats included).
  template <int N>
  using UnsignedOf = std::conditional_t<N == 2, uint16_t, std::conditional_t<N == 4, uint32_t, uint64_t>>;

  // The next n bytes, consumed: in the buffer, or copied into scratch when they cross its end;
  // null when the file ends first.
  const uint8_t* Take(uint8_t* scratch, int32_t n) {
    if (bufferCount_ - bufferPos_ >= n) {
      const uint8_t* in = buffer_ + bufferPos_;
      bufferPos_ += n;
      return in;
    }
    return Read(scratch, size_t(n)) == size_t(n) ? scratch : nullptr;
  }

  template <int N, typename T>
  bool ReadLittle(T& v) {
    static_assert(sizeof(T) == N && std::is_trivially_copyable_v<T>, "size mismatch");
    uint8_t scratch[N];
    const uint8_t* bytes = Take(scratch, N);
    if (!bytes) return false;
    UnsignedOf<N> bits = 0;
    for (int i = N - 1; i >= 0; --i) bits = static_cast<UnsignedOf<N>>((bits << 8) | bytes[i]);
    std::memcpy(&v, &bits, N);
    return true;
  }
  template <int N, typename T>
  void WriteLittle(T v) {
    static_assert(sizeof(T) == N && std::is_trivially_copyable_v<T>, "size mismatch");
    UnsignedOf<N> bits;
    std::memcpy(&bits, &v, N);
    bool inBuffer = HasWriteRoom(N);
    uint8_t scratch[N];
    uint8_t* bytes = inBuffer ? buffer_ + bufferPos_ : scratch;
    for (int i = 0; i < N; ++i) bytes[i] = static_cast<uint8_t>(bits >> (8 * i));
    if (inBuffer) {
      bufferPos_ += N;
    } else {
      WriteBytes(scratch, N);
    }
  }

  bool HasWriteRoom(int32_t n) const { return bufferPos_ <= kWriteBufferSize - n && write_ && IsOpen(); }
  uint8_t* MakeWriteRoom(size_t n);
  bool Refill();
  bool ReadByteRefilled(uint8_t& v);
  const uint8_t* FillContiguous(size_t n);
  void WriteOut(const void* src, size_t n);
  // Reports a write of n bytes at the current stream position to the disk-event recorder.
  void NoteWrite(const void* src, size_t n) const;
  uint8_t ReadChainedByte();
  uint32_t ReadUnsignedChainedByBytes();
  int32_t ReadSignedChainedByBytes();
  [[noreturn]] void ThrowWriteError();
  bool CloseHandles();

  std::string name_;
  const char* contextTag_;
  bool write_ = false;
  bool gzip_ = false;
  int mode_ = 0;
  FILE* plain_ = nullptr;
  gzFile gz_ = nullptr;
  uint8_t* buffer_;
  int32_t readBufferSize_;
  int32_t bufferPos_ = 0;
  int32_t bufferCount_ = 0;
  // Stream position of buffer_[0]: bytes read before the buffer, or written out before it.
  int64_t bufferStart_ = 0;
  int64_t fileSize_ = 0;
  double lastReported_ = 0;
};
