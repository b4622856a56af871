// LOB, object and REF columns of a query: the whole value of a LOB's current
// row, a REF's hex form, and the locator and object wrappers the query hands
// out, which follow the current row.
#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "oracle/client/oci_entry_points.h"
#include "oracle/query/query.h"
#include "oracle/session/session.h"
#include "oracle/values/text_convert.h"
#include "oracle/values/type_codes.h"

namespace oracle {
namespace {

constexpr ub2 kClientUtf16 = 1000;
constexpr ub1 kFileReadOnly = 1;

}  // namespace

bool TOracleQuery::WrapperFits(const TColumnWrapper& wrapper, int32_t i) const {
  if (i < 0 || i >= FieldCount()) return false;
  const TQueryColumn& column = fields_[static_cast<std::size_t>(i)];
  return column.bufferType == wrapper.bufferType && column.typeName == wrapper.typeName &&
         column.charsetForm == wrapper.charsetForm;
}

TColumnWrapper& TOracleQuery::WrapperSlot(int32_t i) {
  const auto index = static_cast<std::size_t>(i);
  if (wrappers_.size() <= index) wrappers_.resize(index + 1);
  TColumnWrapper& wrapper = wrappers_[index];
  if (!WrapperFits(wrapper, i)) {
    if (wrapper.lob) Retire(std::move(wrapper.lob));
    if (wrapper.object) Retire(std::move(wrapper.object));
    const TQueryColumn& column = fields_[index];
    wrapper.bufferType = column.bufferType;
    wrapper.typeName = column.typeName;
    wrapper.charsetForm = column.charsetForm;
  }
  return wrapper;
}

void TOracleQuery::Retire(std::unique_ptr<TLOBObject> lob) {
  lob->AttachRowLocator(nullptr);
  retired_.push_back(std::move(lob));
}

void TOracleQuery::Retire(std::unique_ptr<TObjectColumnObject> object) {
  object->AttachRowInstance(nullptr);
  retired_.push_back(std::move(object));
}

void TOracleQuery::ClearFields() {
  for (TColumnWrapper& wrapper : wrappers_) {
    if (wrapper.object) wrapper.object->AttachRowInstance(nullptr);
    if (wrapper.lob) wrapper.lob->AttachRowLocator(nullptr);
  }
  fields_.clear();
}

TLOBObject* TOracleQuery::LOBColumnObject(int32_t i) const {
  Column(i);  // raises for an index out of range
  const auto index = static_cast<std::size_t>(i);
  if (index >= wrappers_.size() || !WrapperFits(wrappers_[index], i)) return nullptr;
  return wrappers_[index].lob.get();
}

void TOracleQuery::SetLOBColumnObject(int32_t i, std::unique_ptr<TLOBObject> object) {
  const TQueryColumn& column = Column(i);  // raises for an index out of range
  if (!IsLobType(column.data->DataType()))
    throw std::runtime_error("Field " + column.name + " is not a LOB");
  TColumnWrapper& wrapper = WrapperSlot(i);
  if (wrapper.lob) Retire(std::move(wrapper.lob));
  wrapper.lob = std::move(object);
  AttachColumnWrappers();
}

TObjectColumnObject* TOracleQuery::ObjectColumnObject(int32_t i) const {
  Column(i);  // raises for an index out of range
  const auto index = static_cast<std::size_t>(i);
  if (index >= wrappers_.size() || !WrapperFits(wrappers_[index], i)) return nullptr;
  return wrappers_[index].object.get();
}

void TOracleQuery::SetObjectColumnObject(int32_t i, std::unique_ptr<TObjectColumnObject> object) {
  const TQueryColumn& column = Column(i);  // raises for an index out of range
  if (!column.objects) throw std::runtime_error("Field " + column.name + " is not an Object");
  TColumnWrapper& wrapper = WrapperSlot(i);
  if (wrapper.object) Retire(std::move(wrapper.object));
  wrapper.object = std::move(object);
  AttachColumnWrappers();
}

TRowObjects::~TRowObjects() {
  // After the client was unloaded its handles are gone with it.
  if (OCIObjectFree == nullptr || OCIHandleFree == nullptr) return;
  for (int32_t row = 0; row < data.Rows(); ++row) {
    void*& instance = data.Handles()[static_cast<std::size_t>(row)];
    if (instance != nullptr) OCIObjectFree(env, err, instance, 0);
    instance = nullptr;
  }
  if (err != nullptr) OCIHandleFree(err, OCI_HTYPE_ERROR);
}

void TOracleQuery::AttachColumnWrappers() {
  const bool onRow = !eof_ && rowIndex_ >= 0 && rowIndex_ < rowsInBuffer_;
  for (std::size_t i = 0; i < wrappers_.size(); ++i) {
    TColumnWrapper& wrapper = wrappers_[i];
    if (!wrapper.lob && !wrapper.object) continue;
    // A null row's slot may still hold what an earlier row left there.
    void* handle = nullptr;
    if (onRow && WrapperFits(wrapper, static_cast<int32_t>(i))) {
      TFieldData& data = *fields_[i].data;
      if (!data.IsNull(rowIndex_)) handle = data.Handles()[static_cast<std::size_t>(rowIndex_)];
    }
    if (wrapper.object) wrapper.object->AttachRowInstance(handle);
    if (wrapper.lob) wrapper.lob->AttachRowLocator(static_cast<OCILobLocator*>(handle));
  }
}

std::string TOracleQuery::RefHex(const TQueryColumn& column) const {
  auto* ref = static_cast<OCIRef*>(column.data->Handles()[static_cast<std::size_t>(rowIndex_)]);
  OCIEnv* env = session_->Environment();
  ub4 length = OCIRefHexSize(env, ref);
  std::string hex(length, '\0');
  const sword status = OCIRefToHex(env, err_, ref, reinterpret_cast<text*>(hex.data()), &length);
  if (status != OCI_SUCCESS && status != OCI_SUCCESS_WITH_INFO)
    RaiseOCIError(session_, err_, this, status);
  hex.resize(length);
  return hex;
}

Variant TOracleQuery::LOBValue(const TQueryColumn& column) const {
  TFieldData& data = *column.data;
  const int16_t type = data.DataType();
  auto* locator = static_cast<OCILobLocator*>(data.Handles()[static_cast<std::size_t>(rowIndex_)]);
  OCISvcCtx* svc = session_->ServiceContext();
  auto check = [&](sword status) {
    if (status != OCI_SUCCESS && status != OCI_SUCCESS_WITH_INFO)
      RaiseOCIError(session_, err_, this, status);
  };
  // A BFILE is opened for the read unless it already is.
  boolean wasOpen = 1;
  if (type == otype::BFile) {
    check(OCILobFileIsOpen(svc, err_, locator, &wasOpen));
    if (wasOpen == 0) check(OCILobFileOpen(svc, err_, locator, kFileReadOnly));
  }
  ub4 length = 0;
  check(OCILobGetLength(svc, err_, locator, &length));
  bool utf16 = false;
  if (type == otype::CLOB) {
    ub2 id = 0;
    check(OCILobCharSetId(session_->Environment(), err_, locator, &id));
    utf16 = IsUtf16CharSet(id) || IsUtf8CharSet(id);
  }
  // Room for the text of a CLOB in the client's character set: four bytes a
  // character at most.
  const std::size_t room = std::size_t{length} * (type != otype::CLOB ? 1 : utf16 ? 2 : 4);
  std::string bytes(room, '\0');
  ub4 amount = length;
  if (length > 0) {
    check(OCILobRead(svc, err_, locator, &amount, 1, bytes.data(), static_cast<ub4>(room), nullptr,
                     nullptr, utf16 ? kClientUtf16 : 0, column.charsetForm));
  }
  if (wasOpen == 0) check(OCILobFileClose(svc, err_, locator));
  if (type != otype::CLOB) {
    const auto end =
        bytes.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(amount, room));
    return Variant::ByteArray(std::vector<uint8_t>(bytes.begin(), end));
  }
  std::string text;
  if (utf16) {
    std::u16string units(std::min<std::size_t>(amount, length), u'\0');
    std::memcpy(units.data(), bytes.data(), units.size() * 2);
    text = Utf16ToUtf8(units).value_or(std::string());
  } else {
    text = bytes.substr(0, amount);
  }
  return Variant::String(ConvertsLineEnds() ? LineEndsFromServer(text) : std::move(text));
}

}  // namespace oracle
