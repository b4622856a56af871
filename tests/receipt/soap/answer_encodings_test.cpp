// Answers in every encoding and Boolean form XML allows read as their plain
// UTF-8 form does: the document's byte-order mark or declared encoding is
// honoured, and Booleans are read as XML Schema writes them. The texts taken
// into the records and the logs are UTF-8.

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "receipt/records.h"
#include "receipt/soap_responses.h"
#include "receipt/xml_reader.h"
#include "soap_test_support.h"

namespace {

using namespace receipt;

// The text in UTF-16 of the byte order asked for, behind its byte-order mark.
std::string Utf16(const std::u16string& text, bool bigEndian) {
  std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
  for (const char16_t unit : text) {
    const char high = static_cast<char>(unit >> 8);
    const char low = static_cast<char>(unit & 0xFF);
    out += bigEndian ? high : low;
    out += bigEndian ? low : high;
  }
  return out;
}

// A confirmation with a temporary identifier holding "é" (U+00E9) and
// "€" (U+20AC), declared in `encoding`.
std::u16string Confirmation(const std::u16string& encoding, const std::u16string& id) {
  return u"<?xml version=\"1.0\" encoding=\"" + encoding +
         u"\"?><soapenv:Envelope><soapenv:Body><ns3:sendDigitalReceiptResponse>"
         u"<ns3:DigitalReceiptProcessed>true</ns3:DigitalReceiptProcessed>"
         u"<CustomerID TemporaryID=\"true\">" +
         id + u"</CustomerID></ns3:sendDigitalReceiptResponse></soapenv:Body></soapenv:Envelope>";
}

std::string Narrow(const std::u16string& ascii) {
  return std::string(ascii.begin(), ascii.end());
}

class AnswerEncodingTest : public soaptest::SoapFixture {
 protected:
  // The identifier a confirmation gave, or "(no answer)" when none was read.
  std::string Read(const std::string& response) {
    TransControl control;
    AuthRec auth;
    if (!ParseSendResponse(response, control, auth, "")) return "(no answer)";
    EXPECT_TRUE(ReceiptConfirmed(response)) << "the queue service's reading agrees";
    return auth.CustID;
  }
};

TEST_F(AnswerEncodingTest, TheMarkedOrDeclaredEncodingIsHonoured) {
  const std::u16string wide = u"T-\u00E9\u20AC";
  const std::string id = "T-\xC3\xA9\xE2\x82\xAC";  // the same in UTF-8
  const std::u16string undeclared =
      Confirmation(u"UTF-16", wide).substr(Confirmation(u"UTF-16", wide).find(u"?>") + 2);
  std::string utf8 = Narrow(Confirmation(u"UTF-8", u"T-ID"));
  utf8.replace(utf8.find("T-ID"), 4, id);
  // Bytes that are not in the declared encoding end the reading there.
  std::string wrongBytes = Narrow(Confirmation(u"UTF-8", u"T-X"));
  wrongBytes[wrongBytes.find("T-X") + 2] = '\xE9';
  const struct {
    const char* name;
    std::string response;
    std::string read;
  } cases[] = {
      {"UTF-8", utf8, id},
      {"UTF-8 with its byte-order mark", "\xEF\xBB\xBF" + utf8, id},
      {"UTF-16, little-endian", Utf16(Confirmation(u"UTF-16", wide), false), id},
      {"UTF-16, big-endian", Utf16(Confirmation(u"UTF-16", wide), true), id},
      {"UTF-16 by its mark, no declaration", Utf16(undeclared, false), id},
      {"ISO-8859-1 declared", Narrow(Confirmation(u"ISO-8859-1", u"T-\u00E9")), "T-\xC3\xA9"},
      {"a byte not in UTF-8", wrongBytes, "(no answer)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Read(c.response), c.read);
  }
}

TEST_F(AnswerEncodingTest, AnAuthenticationAnswerInUtf16FillsTheCustomer) {
  const std::u16string answer =
      u"<?xml version=\"1.0\" encoding=\"UTF-16\"?><soapenv:Envelope><soapenv:Body>"
      u"<ns3:AuthenticateUserPOSResponse errorStatus=\"0\" userAuthenticated=\"1\">"
      u"<EmailAddress>ren\u00E9e@example.com</EmailAddress>"
      u"<CustomerID TemporaryID=\" 0 \" defaultQuenlo=\"1\">C-42</CustomerID>"
      u"</ns3:AuthenticateUserPOSResponse></soapenv:Body></soapenv:Envelope>";
  AuthRec auth;
  TransControl control;
  EXPECT_TRUE(ParseAuthResponse(Utf16(answer, false), auth, control));
  EXPECT_FALSE(auth.ErrorStatus);
  EXPECT_TRUE(auth.IsAuth);
  EXPECT_EQ(auth.EmailAddress, "ren\xC3\xA9\x65@example.com");
  EXPECT_EQ(auth.CustID, "C-42");
  EXPECT_FALSE(auth.IsTemp);
  EXPECT_TRUE(auth.DefaultQuenlo);
  // The logged answer is UTF-8 text, its card numbers masked.
  const std::u16string withCard = answer.substr(0, answer.find(u"</soapenv:Body>")) +
                                  u"<Note>4111111111111111</Note></soapenv:Body>";
  ParseAuthResponse(Utf16(withCard, true), auth, control);
  const std::string log = AppLog();
  EXPECT_NE(log.find("<EmailAddress>ren\xC3\xA9\x65@example.com</EmailAddress>"),
            std::string::npos);
  EXPECT_NE(log.find("<Note>************1111</Note>"), std::string::npos);
  EXPECT_EQ(log.find('\0'), std::string::npos);
}

// The outcome of a send, for each way its Boolean may be written, is read
// alike by the sale's parse and the queue service's reading.
TEST_F(AnswerEncodingTest, BooleansAreReadAsXmlSchemaWritesThem) {
  const struct {
    const char* written;
    std::optional<bool> value;
  } cases[] = {
      {"true", true},        {"1", true},
      {" 1 ", true},         {"\r\n  true\n", true},
      {"TRUE", true},        {"false", false},
      {"0", false},          {"\t0\t", false},
      {"False", false},      {"", std::nullopt},
      {"yes", std::nullopt}, {"10", std::nullopt},
      {"01", std::nullopt},  {"true false", std::nullopt},
      {"+1", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string("'") + c.written + "'");
    EXPECT_EQ(XmlBoolean(c.written), c.value);
    const std::string response =
        "<r><DigitalReceiptProcessed>" + std::string(c.written) +
        "</DigitalReceiptProcessed><CustomerID TemporaryID=\"1\">T-1</CustomerID></r>";
    TransControl control;
    AuthRec auth;
    control.DigitalSendOK = true;  // left as it is when no outcome is read
    const bool read = ParseSendResponse(response, control, auth, "");
    const SendAnswer answer = ReadSendAnswer(response);
    EXPECT_EQ(answer.processed, c.value);
    EXPECT_EQ(read, c.value == true);
    EXPECT_EQ(control.DigitalSendOK, c.value.value_or(true));
    EXPECT_EQ(auth.IsTemp, c.value == true) << "TemporaryID=\"1\" is true";
    EXPECT_EQ(ReceiptConfirmed(response), c.value == true);
  }
  // errorStatus "0" is no error, "1" is one.
  AuthRec auth;
  TransControl control;
  const std::string customer = "<CustomerID TemporaryID=\"0\">C-1</CustomerID>";
  EXPECT_TRUE(ParseAuthResponse("<AuthenticateUserPOSResponse errorStatus=' 0 '>" + customer +
                                    "</AuthenticateUserPOSResponse>",
                                auth, control));
  EXPECT_FALSE(
      ParseAuthResponse("<AuthenticateUserPOSResponse errorStatus='1'><Exceptions>E"
                        "</Exceptions></AuthenticateUserPOSResponse>",
                        auth, control));
  EXPECT_TRUE(auth.ErrorStatus);
  EXPECT_EQ(auth.Exceptions, "E");
}

}  // namespace
