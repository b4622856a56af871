// Object, REF and XMLTYPE columns and binds: a column declared with a
// catalogued type (or XMLTYPE) describes as SQLT_NTY with its type's owner
// and name; its JSON text is loaded into the row's instance at fetch, and a
// bound instance travels as its JSON text (an XMLTYPE as its XML text).
#pragma once

#include <sqlite3.h>

#include <string>

#include "statement.h"

namespace ocistandin {

// Makes `info` an object column when `declared` names a catalogued type or
// XMLTYPE; leaves it alone otherwise.
void describeObjectColumn(sqlite3* db, const std::string& declared, ColumnInfo& info);

// Loads column `c` of the current row into the define's instance of `row`
// (made when the element is empty). The caller has handled NULL.
bool fetchObjectColumn(const StmtHandle& stmt, const DefineHandle& define, ub4 row, sqlite3_stmt* s,
                       int c, OraError& error);

// The stored text of the instance bound at element `iteration`.
bool objectBindValue(const BindHandle& bind, ub4 iteration, BindValue& out, OraError& error);

// Describing a type (OCIDescribeAny): the parameter a describe handle holds
// (null when none), the type parameter's own attributes (false when `attr`
// is none of them), and OCIParamGet on its list of attributes.
Handle* describedParam(Handle& describe);
bool typeParamAttribute(const ParamDescriptor& param, dvoid* value, ub4* size, ub4 attr,
                        sword& status);
sword typeListParam(const void* list, ErrorHandle* err, dvoid** param, ub4 position);

// Runs the block that loads an XMLTYPE's text into a temporary CLOB
// (object_blocks.cpp): false when the text is not that block.
bool executeXmlLoadBlock(SvcCtxHandle& svc, StmtHandle& stmt, ErrorHandle* err, sword& status);

}  // namespace ocistandin
