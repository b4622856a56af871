#pragma once
// The byte stream through which BLOB and memo fields read and write their
// values. The dataset class supplies the implementation (CreateBlobStream);
// TMemoryStream keeps a value in memory.

#include <cstdint>
#include <stdexcept>
#include <string>

namespace dataset {

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

// Raised when a stream holds fewer bytes than a reader needs.
class EReadError : public std::runtime_error {
 public:
  EReadError() : std::runtime_error("Stream read error") {}
};

class TStream {
 public:
  virtual ~TStream() = default;
  // Copies up to `count` bytes from the position; answers the bytes copied.
  virtual int64_t Read(void* buffer, int64_t count) = 0;
  // Reads exactly `count` bytes; raises EReadError when fewer were read.
  void ReadBuffer(void* buffer, int64_t count);
  // Writes `count` bytes at the position, growing the value as needed.
  virtual int64_t Write(const void* buffer, int64_t count) = 0;
  virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;
  // Empties the value.
  virtual void Truncate() = 0;
  virtual int64_t Size();
  // Cuts the value to `size` bytes or lengthens it with zero bytes. A stream
  // whose size cannot be set raises.
  virtual void SetSize(int64_t size);

  int64_t Position() { return Seek(0, TSeekOrigin::soCurrent); }
  // The whole value from the start.
  std::string ReadAll();
};

// A stream over bytes held in memory. A seek before the start goes to the
// start; a seek past the end is allowed: reading there reads nothing, and a
// write there fills the gap with zero bytes first.
class TMemoryStream : public TStream {
 public:
  TMemoryStream() = default;
  explicit TMemoryStream(std::string bytes) : bytes_(std::move(bytes)) {}

  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  void Truncate() override;
  int64_t Size() override { return static_cast<int64_t>(bytes_.size()); }
  // A position beyond the new size moves back to the end.
  void SetSize(int64_t size) override;

  const std::string& Bytes() const { return bytes_; }

 private:
  std::string bytes_;
  int64_t position_ = 0;
};

}  // namespace dataset
