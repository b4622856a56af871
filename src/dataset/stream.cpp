#include "dataset/stream.h"

namespace dataset {

int64_t TStream::Size() {
  const int64_t position = Seek(0, TSeekOrigin::soCurrent);
  const int64_t size = Seek(0, TSeekOrigin::soEnd);
  Seek(position, TSeekOrigin::soBeginning);
  return size;
}

std::string TStream::ReadAll() {
  const int64_t size = Size();
  std::string text(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
  Seek(0, TSeekOrigin::soBeginning);
  const int64_t got = text.empty() ? 0 : Read(text.data(), size);
  text.resize(static_cast<std::size_t>(got));
  return text;
}

}  // namespace dataset
