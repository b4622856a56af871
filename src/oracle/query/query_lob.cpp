// LOB, object and REF columns of a query: the whole value of a LOB's current
// row, a REF's hex form, and the locator and object wrappers that follow the
// current row.
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

TLOBObject* TOracleQuery::LOBColumnObject(int32_t i) const {
  return Column(i).lob.get();
}

void TOracleQuery::SetLOBColumnObject(int32_t i, std::unique_ptr<TLOBObject> object) {
  Column(i);  // raises for an index out of range
  TQueryColumn& column = fields_[static_cast<std::size_t>(i)];
  if (!IsLobType(column.data->DataType()))
    throw std::runtime_error("Field " + column.name + " is not a LOB");
  column.lob = std::move(object);
  AttachLOBColumns();
}

TObjectColumnObject* TOracleQuery::ObjectColumnObject(int32_t i) const {
  return Column(i).object.get();
}

void TOracleQuery::SetObjectColumnObject(int32_t i, std::unique_ptr<TObjectColumnObject> object) {
  Column(i);  // raises for an index out of range
  TQueryColumn& column = fields_[static_cast<std::size_t>(i)];
  if (!column.objects) throw std::runtime_error("Field " + column.name + " is not an Object");
  column.object = std::move(object);
  AttachLOBColumns();
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

// Points the LOB and object wrappers at the current row.
void TOracleQuery::AttachLOBColumns() {
  if (eof_ || rowIndex_ >= rowsInBuffer_) return;
  for (TQueryColumn& column : fields_) {
    if (column.object)
      column.object->AttachRowInstance(column.data->Handles()[static_cast<std::size_t>(rowIndex_)]);
    if (column.lob)
      column.lob->AttachRowLocator(
          static_cast<OCILobLocator*>(column.data->Handles()[static_cast<std::size_t>(rowIndex_)]));
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
