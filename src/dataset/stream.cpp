#include "dataset/stream.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace dataset {

int64_t TStream::Size() {
  const int64_t position = Seek(0, TSeekOrigin::soCurrent);
  const int64_t size = Seek(0, TSeekOrigin::soEnd);
  Seek(position, TSeekOrigin::soBeginning);
  return size;
}

void TStream::ReadBuffer(void* buffer, int64_t count) {
  if (count > 0 && Read(buffer, count) != count) throw EReadError();
}

void TStream::SetSize(int64_t) {
  throw std::runtime_error("The size of this stream cannot be set");
}

std::string TStream::ReadAll() {
  const int64_t size = Size();
  std::string text(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
  Seek(0, TSeekOrigin::soBeginning);
  const int64_t got = text.empty() ? 0 : Read(text.data(), size);
  text.resize(static_cast<std::size_t>(got));
  return text;
}

int64_t TMemoryStream::Read(void* buffer, int64_t count) {
  const int64_t n = std::min(count, Size() - position_);
  if (n <= 0) return 0;
  std::memcpy(buffer, bytes_.data() + position_, static_cast<std::size_t>(n));
  position_ += n;
  return n;
}

int64_t TMemoryStream::Write(const void* buffer, int64_t count) {
  if (count <= 0) return 0;
  if (position_ + count > Size()) bytes_.resize(static_cast<std::size_t>(position_ + count));
  std::memcpy(bytes_.data() + position_, buffer, static_cast<std::size_t>(count));
  position_ += count;
  return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
  const int64_t base = origin == TSeekOrigin::soBeginning ? 0
                       : origin == TSeekOrigin::soCurrent ? position_
                                                          : Size();
  position_ = std::max<int64_t>(base + offset, 0);
  return position_;
}

void TMemoryStream::Truncate() {
  bytes_.clear();
  position_ = 0;
}

void TMemoryStream::SetSize(int64_t size) {
  if (size < 0) throw std::invalid_argument("A stream's size cannot be negative");
  bytes_.resize(static_cast<std::size_t>(size));
  position_ = std::min(position_, size);
}

}  // namespace dataset
