// The stand-in's object types: the catalogue, constructor SQL and JSON
// storage, and the object calls over fetched, bound and new instances.
#include <dlfcn.h>

#include <cstring>
#include <string>

#include "oci_client/oci_test_support.h"

using namespace ocitest;

namespace {

class Objects : public PluginAccountTest {
 protected:
  void SetUp() override {
    run(s, "create type address_t as object (street varchar2(30), city varchar2(20))");
    run(s, "create type phones_t as varray(3) of varchar2(15)");
    run(s,
        "create type person_t as object (name varchar2(30), birth date, salary number(8,2), "
        "address address_t, phones phones_t)");
    run(s, "create table staff (id number(5), person person_t)");
    run(s,
        "insert into staff values (1, person_t('Ann', to_date('1980-02-03 10:20:30', "
        "'YYYY-MM-DD HH24:MI:SS'), 1234.5, address_t('Main St', 'Oslo'), phones_t('111', "
        "'222')))");
    run(s, "commit");
  }

  OCIType* type(const std::string& name) {
    OCIType* tdo = nullptr;
    EXPECT_EQ(OCI_SUCCESS, api().OCITypeByName(s.env, s.err, s.svc, nullptr, 0,
                                               reinterpret_cast<const ::text*>(name.c_str()),
                                               static_cast<ub4>(name.size()), nullptr, 0,
                                               OCI_DURATION_SESSION, OCI_TYPEGET_ALL, &tdo))
        << lastError(s.err).text;
    return tdo;
  }

  // The attribute at a path of names ("ADDRESS.CITY" style, split by the caller).
  void* attribute(void* instance, std::initializer_list<const char*> path, OCIInd* ind) {
    std::vector<const ::text*> names;
    std::vector<ub4> lengths;
    for (const char* n : path) {
      names.push_back(reinterpret_cast<const ::text*>(n));
      lengths.push_back(static_cast<ub4>(std::strlen(n)));
    }
    void* value = nullptr;
    void* nullStruct = nullptr;
    EXPECT_EQ(OCI_SUCCESS,
              api().OCIObjectGetAttr(s.env, s.err, instance, nullptr, nullptr, names.data(),
                                     lengths.data(), static_cast<ub4>(names.size()), nullptr, 0,
                                     ind, &nullStruct, &value, nullptr))
        << lastError(s.err).text;
    return value;
  }

  std::string str(void* value) {
    OCIString* string = *static_cast<OCIString**>(value);
    return std::string(reinterpret_cast<char*>(api().OCIStringPtr(s.env, string)),
                       api().OCIStringSize(s.env, string));
  }

  std::string number(void* value) {
    ::text buffer[40];
    ub4 size = sizeof buffer;
    EXPECT_EQ(OCI_SUCCESS, api().OCINumberToText(s.err, static_cast<OCINumber*>(value), nullptr, 0,
                                                 nullptr, 0, &size, buffer));
    return std::string(reinterpret_cast<char*>(buffer), size);
  }

  // Fetches the person of row `id` on `session` into `*instance`.
  void fetchPerson(Session& session, int id, void** instance) {
    Statement st(session, "select person from staff where id = " + std::to_string(id));
    OCIDefine* define = nullptr;
    sb2 indicator = 0;
    ASSERT_EQ(OCI_SUCCESS,
              api().OCIDefineByPos(st.stmt, &define, session.err, 1, nullptr, 0, SQLT_NTY,
                                   &indicator, nullptr, nullptr, OCI_DEFAULT));
    void* nullStruct = nullptr;
    ASSERT_EQ(OCI_SUCCESS, api().OCIDefineObject(define, session.err, nullptr, instance, nullptr,
                                                 &nullStruct, nullptr));
    ASSERT_EQ(OCI_SUCCESS, st.execute(1)) << st.error().text;
    EXPECT_EQ(0, indicator);
  }

  int live() {
    static auto fn = reinterpret_cast<int (*)()>(dlsym(api().library, "ociStandin_LiveObjects"));
    return fn();
  }
};

TEST_F(Objects, ConstructorRowsReadBackThroughAttributesAndElements) {
  EXPECT_EQ((Rows{{"[\"Ann\",\"1980-02-03 10:20:30\",1234.5,[\"Main St\",\"Oslo\"],[\"111\","
                   "\"222\"]]"}}),
            query(s, "select person from staff"));
  // Describe: an object column with its type's name.
  {
    Statement st(s, "select person from staff");
    ASSERT_EQ(OCI_SUCCESS, st.execute(0, OCI_DESCRIBE_ONLY));
    void* param = nullptr;
    ASSERT_EQ(OCI_SUCCESS, api().OCIParamGet(st.stmt, OCI_HTYPE_STMT, s.err, &param, 1));
    ub2 dataType = 0;
    text* name = nullptr;
    ub4 length = 0;
    api().OCIAttrGet(param, OCI_DTYPE_PARAM, &dataType, nullptr, OCI_ATTR_DATA_TYPE, s.err);
    api().OCIAttrGet(param, OCI_DTYPE_PARAM, &name, &length, OCI_ATTR_TYPE_NAME, s.err);
    EXPECT_EQ(SQLT_NTY, dataType);
    EXPECT_EQ("PERSON_T", std::string(reinterpret_cast<char*>(name), length));
  }
  Session other("VESKDATA", "plimsy");
  void* person = nullptr;
  fetchPerson(other, 1, &person);
  OCIInd ind = 0;
  EXPECT_EQ("Ann", str(attribute(person, {"NAME"}, &ind)));
  EXPECT_EQ("1234.5", number(attribute(person, {"salary"}, &ind)));
  const auto* birth = static_cast<OCIDate*>(attribute(person, {"BIRTH"}, &ind));
  EXPECT_EQ(1980, birth->OCIDateYYYY);
  EXPECT_EQ(10, birth->OCIDateTime.OCITimeHH);
  EXPECT_EQ("Oslo", str(attribute(person, {"ADDRESS", "CITY"}, &ind)));
  // By index: attribute 4 is the address, its attribute 1 the street.
  const ub4 indexes[] = {4, 1};
  void* value = nullptr;
  ASSERT_EQ(OCI_SUCCESS,
            api().OCIObjectGetAttr(s.env, s.err, person, nullptr, nullptr, nullptr, nullptr, 0,
                                   indexes, 2, &ind, nullptr, &value, nullptr));
  EXPECT_EQ("Main St", str(value));

  // The collection: size, elements, append up to the varray's limit, trim.
  OCIColl* phones = *static_cast<OCIColl**>(attribute(person, {"PHONES"}, &ind));
  sb4 size = 0;
  ASSERT_EQ(OCI_SUCCESS, api().OCICollSize(s.env, s.err, phones, &size));
  EXPECT_EQ(2, size);
  EXPECT_EQ(3, api().OCICollMax(s.env, phones));
  boolean exists = 0;
  void* element = nullptr;
  void* elementInd = nullptr;
  ASSERT_EQ(OCI_SUCCESS,
            api().OCICollGetElem(s.env, s.err, phones, 1, &exists, &element, &elementInd));
  EXPECT_EQ("222", str(element));
  OCIString* phone = nullptr;
  api().OCIStringAssignText(s.env, s.err, reinterpret_cast<const ::text*>("333"), 3, &phone);
  EXPECT_EQ(OCI_SUCCESS, api().OCICollAppend(s.env, s.err, &phone, nullptr, phones));
  EXPECT_EQ(OCI_ERROR, api().OCICollAppend(s.env, s.err, &phone, nullptr, phones));
  EXPECT_EQ(22909, lastError(s.err).code);
  EXPECT_EQ(OCI_SUCCESS, api().OCICollTrim(s.env, s.err, 2, phones));
  api().OCICollSize(s.env, s.err, phones, &size);
  EXPECT_EQ(1, size);

  const ::text* unknown[] = {reinterpret_cast<const ::text*>("NOPE")};
  const ub4 unknownLength[] = {4};
  EXPECT_EQ(OCI_ERROR,
            api().OCIObjectGetAttr(s.env, s.err, person, nullptr, nullptr, unknown, unknownLength,
                                   1, nullptr, 0, &ind, nullptr, &value, nullptr));
  EXPECT_EQ(22309, lastError(s.err).code);
  EXPECT_EQ(OCI_SUCCESS, api().OCIObjectFree(s.env, s.err, person, 0));
}

TEST_F(Objects, NewInstanceSetAndBoundIsStoredAndCountsReturnToZero) {
  const int before = live();
  void* person = nullptr;
  ASSERT_EQ(OCI_SUCCESS, api().OCIObjectNew(s.env, s.err, s.svc, 108, type("PERSON_T"), nullptr,
                                            OCI_DURATION_SESSION, 1, &person));
  auto set = [&](std::initializer_list<const char*> path, const void* value) {
    std::vector<const ::text*> names;
    std::vector<ub4> lengths;
    for (const char* n : path) {
      names.push_back(reinterpret_cast<const ::text*>(n));
      lengths.push_back(static_cast<ub4>(std::strlen(n)));
    }
    EXPECT_EQ(OCI_SUCCESS,
              api().OCIObjectSetAttr(s.env, s.err, person, nullptr, nullptr, names.data(),
                                     lengths.data(), static_cast<ub4>(names.size()), nullptr, 0,
                                     OCI_IND_NOTNULL, nullptr, value))
        << lastError(s.err).text;
  };
  OCIString* name = nullptr;
  api().OCIStringAssignText(s.env, s.err, reinterpret_cast<const ::text*>("Bob"), 3, &name);
  set({"NAME"}, &name);
  OCINumber salary{};
  const double amount = 99.25;
  api().OCINumberFromReal(s.err, &amount, sizeof amount, &salary);
  set({"SALARY"}, &salary);
  const OCIDate midnight{2001, 12, 24, {0, 0, 0}};
  set({"BIRTH"}, &midnight);
  OCIString* city = nullptr;
  api().OCIStringAssignText(s.env, s.err, reinterpret_cast<const ::text*>("Bergen"), 6, &city);
  set({"ADDRESS", "CITY"}, &city);

  Statement insert(s, "insert into staff values (2, :p)");
  OCIBind* bind = nullptr;
  sb2 indicator = 0;
  ASSERT_EQ(OCI_SUCCESS,
            api().OCIBindByName(insert.stmt, &bind, s.err, reinterpret_cast<const ::text*>(":p"),
                                -1, nullptr, 0, SQLT_NTY, &indicator, nullptr, nullptr, 0, nullptr,
                                OCI_DEFAULT));
  ASSERT_EQ(OCI_SUCCESS,
            api().OCIBindObject(bind, s.err, type("PERSON_T"), &person, nullptr, nullptr, nullptr));
  ASSERT_EQ(OCI_SUCCESS, insert.execute()) << insert.error().text;
  run(s, "commit");
  EXPECT_EQ((Rows{{"[\"Bob\",\"2001-12-24 00:00:00\",99.25,[null,\"Bergen\"],null]"}}),
            query(s, "select person from staff where id = 2"));
  EXPECT_EQ(OCI_SUCCESS, api().OCIObjectFree(s.env, s.err, person, 0));
  EXPECT_EQ(OCI_INVALID_HANDLE, api().OCIObjectFree(s.env, s.err, person, 0));

  for (int k = 0; k < 1000; ++k) {
    void* fetched = nullptr;
    fetchPerson(s, 1, &fetched);
    ASSERT_EQ(OCI_SUCCESS, api().OCIObjectFree(s.env, s.err, fetched, 0));
  }
  EXPECT_EQ(before, live());
}

TEST_F(Objects, XmlTypeColumnTextReachesATemporaryClobThroughTheLoadingBlock) {
  run(s, "create table docs (id number(5), doc sys.xmltype)");
  run(s, "insert into docs values (1, xmltype('<a>x</a>'))");
  void* doc = nullptr;
  {
    Statement st(s, "select doc from docs");
    OCIDefine* define = nullptr;
    sb2 indicator = 0;
    ASSERT_EQ(OCI_SUCCESS, api().OCIDefineByPos(st.stmt, &define, s.err, 1, nullptr, 0, SQLT_NTY,
                                                &indicator, nullptr, nullptr, OCI_DEFAULT));
    ASSERT_EQ(OCI_SUCCESS,
              api().OCIDefineObject(define, s.err, nullptr, &doc, nullptr, nullptr, nullptr));
    ASSERT_EQ(OCI_SUCCESS, st.execute(1)) << st.error().text;
  }
  void* clob = nullptr;
  ASSERT_EQ(OCI_SUCCESS, api().OCIDescriptorAlloc(s.env, &clob, OCI_DTYPE_LOB, 0, nullptr));
  auto* locator = static_cast<OCILobLocator*>(clob);
  ASSERT_EQ(OCI_SUCCESS, api().OCILobCreateTemporary(s.svc, s.err, locator, 0, SQLCS_IMPLICIT,
                                                     OCI_TEMP_CLOB, 0, OCI_DURATION_SESSION));
  const std::string block =
      "declare\n  kel_object sys.xmltype;\n  xmldata clob;\nbegin\n"
      "  kel_object := :kel_object;\n  xmldata := kel_object.getclobval();\n"
      "  sys.dbms_lob.trim(:xmldata, 0);\n  sys.dbms_lob.append(:xmldata, xmldata);\nend;";
  Statement load(s, block);
  OCIBind* object = nullptr;
  OCIBind* text = nullptr;
  ASSERT_EQ(OCI_SUCCESS,
            api().OCIBindByName(load.stmt, &object, s.err,
                                reinterpret_cast<const ::text*>(":kel_object"), -1, nullptr, 0,
                                SQLT_NTY, nullptr, nullptr, nullptr, 0, nullptr, OCI_DEFAULT));
  ASSERT_EQ(OCI_SUCCESS,
            api().OCIBindObject(object, s.err, nullptr, &doc, nullptr, nullptr, nullptr));
  ASSERT_EQ(OCI_SUCCESS, api().OCIBindByName(load.stmt, &text, s.err,
                                             reinterpret_cast<const ::text*>(":xmldata"), -1,
                                             &locator, sizeof locator, SQLT_CLOB, nullptr, nullptr,
                                             nullptr, 0, nullptr, OCI_DEFAULT));
  ASSERT_EQ(OCI_SUCCESS, load.execute()) << load.error().text;
  char buffer[32] = {};
  ub4 amount = 0;
  ASSERT_EQ(OCI_SUCCESS, api().OCILobRead(s.svc, s.err, locator, &amount, 1, buffer, sizeof buffer,
                                          nullptr, nullptr, 0, SQLCS_IMPLICIT));
  EXPECT_EQ("<a>x</a>", std::string(buffer, amount));
  EXPECT_EQ(block, std::string(api().journalSql(api().journalSize() - 1)));
  api().OCILobFreeTemporary(s.svc, s.err, locator);
  api().OCIDescriptorFree(clob, OCI_DTYPE_LOB);
  api().OCIObjectFree(s.env, s.err, doc, 0);
}

TEST_F(Objects, CatalogueErrors) {
  const struct {
    const char* sql;
    sb4 code;
  } cases[] = {
      {"drop type no_such_t", 4043},
      {"create type bad_t as object (a no_such_t)", 4043},
      {"create type spare_t as table of number", 0},
      {"drop type spare_t", 0},
      {"drop type phones_t", 2303},
      {"insert into staff values (3, person_t('too few'))", 2315},
      {"create table people of no_such_t", 4043},
      {"create table people of person_t", 0},
      {"create table people of person_t", 955},
      {"insert into people values (person_t('Ann', null, 1, null, null))", 0},
  };
  for (const auto& c : cases) {
    Statement st(s, c.sql);
    st.execute();
    EXPECT_EQ(c.code, st.error().code) << c.sql << " " << st.error().text;
  }
  EXPECT_EQ((Rows{{"ADDRESS_T", "OBJECT", "2"},
                  {"PERSON_T", "OBJECT", "5"},
                  {"PHONES_T", "COLLECTION", "0"}}),
            query(s, "select type_name, typecode, attributes from all_types order by 1"));
  OCIType* tdo = nullptr;
  EXPECT_EQ(OCI_ERROR, api().OCITypeByName(s.env, s.err, s.svc, nullptr, 0,
                                           reinterpret_cast<const ::text*>("NO_SUCH_T"), 9, nullptr,
                                           0, OCI_DURATION_SESSION, OCI_TYPEGET_ALL, &tdo));
  EXPECT_EQ(4043, lastError(s.err).code);

  // An object table row's REF is the hex form of its table and object id;
  // the cache refuses a REF that names no row and a transient instance.
  EXPECT_EQ((Rows{{"50454F504C453A31", "[\"Ann\",null,1,null,null]"}}),
            query(s, "select ref(p), value(p) from people p"));
  void* ref = nullptr;
  ASSERT_EQ(OCI_SUCCESS, api().OCIObjectNew(s.env, s.err, s.svc, OCI_TYPECODE_REF, nullptr, nullptr,
                                            OCI_DURATION_SESSION, 1, &ref));
  auto* target = static_cast<OCIRef*>(ref);
  const std::string gone = "50454F504C453A39";  // PEOPLE:9
  ASSERT_EQ(OCI_SUCCESS,
            api().OCIRefFromHex(s.env, s.err, s.svc, reinterpret_cast<const ::text*>(gone.c_str()),
                                static_cast<ub4>(gone.size()), &target));
  void* pinned = nullptr;
  EXPECT_EQ(OCI_ERROR, api().OCIObjectPin(s.env, s.err, target, nullptr, OCI_PIN_LATEST,
                                          OCI_DURATION_SESSION, OCI_LOCK_NONE, &pinned));
  EXPECT_EQ(21700, lastError(s.err).code);
  void* transient = nullptr;
  ASSERT_EQ(OCI_SUCCESS,
            api().OCIObjectNew(s.env, s.err, s.svc, OCI_TYPECODE_OBJECT, type("PERSON_T"), nullptr,
                               OCI_DURATION_SESSION, 1, &transient));
  EXPECT_EQ(OCI_ERROR, api().OCIObjectFlush(s.env, s.err, transient));
  EXPECT_EQ(21710, lastError(s.err).code);
  api().OCIObjectFree(s.env, s.err, transient, 0);
  api().OCIObjectFree(s.env, s.err, ref, 0);
}

}  // namespace
