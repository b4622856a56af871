#pragma once
// BSTR: a UTF-16 string whose character count is stored in the four bytes
// before the first character (as a byte count) and which is also
// zero-terminated. A null BSTR is the empty string.

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

using OLECHAR = char16_t;
using BSTR = OLECHAR*;

// Copy of a zero-terminated text; null in gives null out.
BSTR SysAllocString(const OLECHAR* text);
// `length` characters copied from `text`, or zero-filled when `text` is null.
// Null when the length is too large to allocate.
BSTR SysAllocStringLen(const OLECHAR* text, uint32_t length);
// Frees a BSTR; null is ignored.
void SysFreeString(BSTR text);
// Character count (embedded zeros included); 0 for null.
uint32_t SysStringLen(BSTR text);

// UTF-8 <-> UTF-16. Invalid sequences (malformed UTF-8, unpaired surrogates)
// become U+FFFD rather than failing.
std::u16string Utf16FromUtf8(std::string_view text);
std::string Utf8FromUtf16(std::u16string_view text);
BSTR BstrFromUtf8(std::string_view text);
std::string Utf8FromBstr(BSTR text);

// Owns one BSTR and frees it on destruction.
class BStr {
 public:
  BStr() = default;
  explicit BStr(std::string_view utf8) : text_(BstrFromUtf8(utf8)) {}
  BStr(BStr&& other) noexcept : text_(std::exchange(other.text_, nullptr)) {}
  BStr& operator=(BStr&& other) noexcept {
    if (this != &other) Reset(std::exchange(other.text_, nullptr));
    return *this;
  }
  BStr(const BStr&) = delete;
  BStr& operator=(const BStr&) = delete;
  ~BStr() { SysFreeString(text_); }

  // Takes ownership of an allocated BSTR.
  static BStr Attach(BSTR text) {
    BStr result;
    result.text_ = text;
    return result;
  }
  BSTR Get() const { return text_; }
  // Gives up ownership; the caller frees the result.
  BSTR Detach() { return std::exchange(text_, nullptr); }
  void Reset(BSTR text = nullptr) {
    if (text != text_) SysFreeString(text_);
    text_ = text;
  }
  // Frees the current text and returns the slot for an out parameter.
  BSTR* Put() {
    Reset();
    return &text_;
  }
  uint32_t Length() const { return SysStringLen(text_); }
  std::string ToUtf8() const { return Utf8FromBstr(text_); }

 private:
  BSTR text_ = nullptr;
};
