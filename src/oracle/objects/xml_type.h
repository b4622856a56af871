#pragma once
// An instance of the built-in SYS.XMLTYPE: an object whose XML text is
// fetched on demand, through a block that hands it out in a temporary CLOB.

#include <optional>
#include <string>
#include <string_view>

#include "oracle/objects/oracle_object.h"

namespace oracle {

class TXMLType : public TOracleObject {
 public:
  static constexpr const char* kTypeName = "SYS.XMLTYPE";

  // A new transient instance on a connected session.
  explicit TXMLType(TOracleSession* session);
  // The text of the instance, loaded on first use (and again after
  // LoadXMLData or a move to a row, also one whose instance the client
  // reused for another document).
  const std::string& XML();
  // Loads the text now: the XML of a null instance is empty.
  void LoadXMLData();

  void AttachRowInstance(void* instance) override;
  bool ColumnText(std::string& text) override {
    text = XML();
    return true;
  }

 private:
  friend class TObjectAttribute;
  friend TXMLType& XMLTypeField(TOracleQuery& query, int32_t i);
  // An instance owned elsewhere: a row's, or an attribute of `parent`.
  TXMLType(TOracleSession* session, void* instance, TOracleObject* parent = nullptr);

  std::optional<std::string> xml_;
};

// Whether `typeName` ("SYS.XMLTYPE" or "XMLTYPE", any case) is the XML type.
bool IsXMLTypeName(std::string_view typeName);

// The XMLTYPE of column i of a query, following its current row; made on
// first use and owned by the query ("Field " + name + " is not an XMLType"
// for other columns).
TXMLType& XMLTypeField(TOracleQuery& query, int32_t i);
TXMLType& XMLTypeFieldByName(TOracleQuery& query, std::string_view name);

}  // namespace oracle
