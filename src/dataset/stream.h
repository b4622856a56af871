#pragma once
// The byte stream through which BLOB and memo fields read and write their
// values. The dataset class supplies the implementation (CreateBlobStream).

#include <cstdint>
#include <string>

namespace dataset {

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream {
 public:
  virtual ~TStream() = default;
  // Copies up to `count` bytes from the position; answers the bytes copied.
  virtual int64_t Read(void* buffer, int64_t count) = 0;
  // Writes `count` bytes at the position, growing the value as needed.
  virtual int64_t Write(const void* buffer, int64_t count) = 0;
  virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;
  // Empties the value.
  virtual void Truncate() = 0;
  virtual int64_t Size();

  // The whole value from the start.
  std::string ReadAll();
};

}  // namespace dataset
