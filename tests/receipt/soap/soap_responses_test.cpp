#include "receipt/soap_responses.h"

#include <gtest/gtest.h>

#include <string>

#include "receipt/records.h"
#include "receipt/soap_messages.h"
#include "soap_test_support.h"

namespace {

using namespace receipt;
using soaptest::CountOf;

std::string AuthResponse(const std::string& attributes, const std::string& children) {
  return "<?xml version=\"1.0\"?><soapenv:Envelope xmlns:ns3=\"urn:x\"><soapenv:Body>"
         "<ns3:AuthenticateUserPOSResponse" +
         attributes + ">" + children +
         "</ns3:AuthenticateUserPOSResponse></soapenv:Body></soapenv:Envelope>";
}

std::string SendResponse(const std::string& processed, const std::string& children) {
  return "<soapenv:Envelope><soapenv:Body><ns3:sendDigitalReceiptResponse>"
         "<ns3:DigitalReceiptProcessed>" +
         processed + "</ns3:DigitalReceiptProcessed>" + children +
         "</ns3:sendDigitalReceiptResponse></soapenv:Body></soapenv:Envelope>";
}

// `markup` put between a response's XML declaration and its root element,
// where a document may hold comments and a document type declaration.
std::string AfterDeclaration(const std::string& markup, const std::string& response) {
  const size_t end = response.find("?>") + 2;
  return response.substr(0, end) + markup + response.substr(end);
}

const std::string kCustomer =
    "<CustomerID TemporaryID=\"false\" defaultQuenlo=\"false\">C-42</CustomerID>";

class AuthResponseTest : public soaptest::SoapFixture {
 protected:
  void SetUp() override {
    SoapFixture::SetUp();
    SetUpCustomer();
  }
  // The customer as an earlier exchange left it, to see what a parse changes.
  void SetUpCustomer() {
    auth_ = AuthRec{};
    auth_.EmailAddress = "old@example.com";
    auth_.CustID = "OLD-1";
    auth_.IsAuth = auth_.IsTemp = auth_.DefaultQuenlo = auth_.ErrorStatus = true;
    auth_.Exceptions = "earlier";
  }
  bool Parse(const std::string& response) { return ParseAuthResponse(response, auth_, control_); }
  AuthRec auth_;
  TransControl control_;
};

// What a parse returns and leaves in the customer, in one line.
std::string Outcome(bool result, const AuthRec& a) {
  return std::string(result ? "read" : "not read") + ", error " + (a.ErrorStatus ? "1" : "0") +
         " '" + a.Exceptions + "', auth " + (a.IsAuth ? "1" : "0") + ", " + a.EmailAddress + " " +
         a.CustID + ", temp " + (a.IsTemp ? "1" : "0") + ", copy " +
         (a.DefaultQuenloCopy ? "1" : "0");
}

TEST_F(AuthResponseTest, EachResponseLeavesItsCustomer) {
  const std::string pat = "<EmailAddress>pat@example.com</EmailAddress>" + kCustomer;
  const std::string patRead = "read, error 0 '', auth 1, pat@example.com C-42, temp 0, copy 0";
  const std::string junkRead =
      "not read, error 0 '', auth 0, old@example.com OLD-1, temp 1, copy 1";
  const struct {
    const char* name;
    std::string response;
    bool emailChanged;
    std::string outcome;
  } cases[] = {
      {"empty: nothing changes", "", false,
       "not read, error 1 'earlier', auth 1, old@example.com OLD-1, temp 1, copy 0"},
      {"errorStatus false", AuthResponse(" errorStatus=\"false\" userAuthenticated=\"TRUE\"", pat),
       false, patRead},
      {"errorStatus FALSE", AuthResponse(" errorStatus=\"FALSE\" userAuthenticated=\"TRUE\"", pat),
       false, patRead},
      {"errorStatus empty", AuthResponse(" errorStatus=\"\" userAuthenticated=\"TRUE\"", pat),
       false, patRead},
      {"errorStatus absent", AuthResponse(" userAuthenticated=\"TRUE\"", pat), false, patRead},
      {"temporary customer, no EmailAddress element",
       AuthResponse("", "<CustomerID TemporaryID=\"true\" defaultQuenlo=\"true\">T-9</CustomerID>"),
       false, "read, error 0 '', auth 0, old@example.com T-9, temp 1, copy 1"},
      {"no CustomerID: the identifier stays",
       AuthResponse(" userAuthenticated=\"false\"", "<EmailAddress>new@example.com</EmailAddress>"),
       false, "not read, error 0 '', auth 0, new@example.com OLD-1, temp 1, copy 1"},
      {"an address changed at the register is kept",
       AuthResponse("", "<EmailAddress>x@example.com</EmailAddress>" + kCustomer), true,
       "read, error 0 '', auth 0, old@example.com C-42, temp 0, copy 0"},
      {"errorStatus true keeps the customer, reads the exceptions, copies the default",
       AuthResponse(" errorStatus=\"true\" userAuthenticated=\"false\"",
                    "<Exceptions>Unknown &amp; bad</Exceptions>" + kCustomer),
       false, "not read, error 1 'Unknown & bad', auth 1, old@example.com OLD-1, temp 1, copy 1"},
      {"errorStatus yes without exceptions", AuthResponse(" errorStatus=\"yes\"", ""), false,
       "not read, error 1 '', auth 1, old@example.com OLD-1, temp 1, copy 1"},
      // Malformed responses read as if the elements were absent.
      {"junk", "<<<>>>", false, junkRead},
      {"status line", "HTTP/1.1 502 Bad Gateway", false, junkRead},
      {"open CustomerID", "<CustomerID", false, junkRead},
      {"unclosed EmailAddress", "<EmailAddress>", false, junkRead},
      {"unterminated attribute", "<ns3:AuthenticateUserPOSResponse errorStatus=\"true", false,
       junkRead},
      {"an unterminated comment hides what follows", "<!-- " + AuthResponse("", pat), false,
       junkRead},
      {"a < that opens no markup ends the reading", "< " + AuthResponse("", pat), false, junkRead},
      {"an element whose end is missing has no text",
       AuthResponse("", "<CustomerID TemporaryID=\"false\">C-1<EmailAddress>a@b</EmailAddress>"),
       false, "not read, error 0 '', auth 0, a@b OLD-1, temp 1, copy 1"},
      {"names in any case, the first element counts",
       "<NS3:authenticateUserPOSResponse ERRORSTATUS=\"False\" userauthenticated=\"True\">"
       "<emailaddress>first@example.com</emailaddress><EmailAddress>2@x</EmailAddress>"
       "<customerid TemporaryID=\"true\" DefaultQuenlo=\"true\">c-1</customerid>" +
           kCustomer,
       false, "read, error 0 '', auth 1, first@example.com c-1, temp 1, copy 1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetUpCustomer();
    control_.EmailChanged = c.emailChanged;
    const bool result = Parse(c.response);
    EXPECT_EQ(Outcome(result, auth_), c.outcome);
  }
}

// One accepted answer in every well-formed form a service may give it: each
// reads as its plain form does.
TEST_F(AuthResponseTest, EveryWellFormedFormOfAnAnswerReadsAlike) {
  const std::string read = "read, error 0 '', auth 1, pat@example.com C-42, temp 1, copy 1";
  const std::string customer =
      "<CustomerID TemporaryID=\"true\" defaultQuenlo=\"true\">C-42</CustomerID>";
  const std::string email = "<EmailAddress>pat@example.com</EmailAddress>";
  const std::string accepted = " errorStatus=\"false\" userAuthenticated=\"true\"";
  const struct {
    const char* name;
    std::string response;
  } cases[] = {
      {"plain", AuthResponse(accepted, email + customer)},
      {"pretty-printed",
       "<?xml version=\"1.0\"?>\r\n<soapenv:Envelope xmlns:ns3=\"urn:x\">\r\n  <soapenv:Body>\r\n"
       "    <ns3:AuthenticateUserPOSResponse\r\n        errorStatus=\"false\"\r\n"
       "        userAuthenticated=\"true\">\r\n      " +
           email +
           "\r\n      <CustomerID\n          TemporaryID=\"true\"\n"
           "          defaultQuenlo=\"true\">C-42</CustomerID>\r\n"
           "    </ns3:AuthenticateUserPOSResponse>\r\n  </soapenv:Body>\r\n"
           "</soapenv:Envelope>\r\n"},
      {"another prefix",
       "<S:Envelope xmlns:S=\"urn:s\"><S:Body><svc:AuthenticateUserPOSResponse "
       "xmlns:svc=\"urn:x\"" +
           accepted + ">" + email + customer +
           "</svc:AuthenticateUserPOSResponse></S:Body></S:Envelope>"},
      {"default namespace", "<Envelope><Body><AuthenticateUserPOSResponse xmlns=\"urn:x\"" +
                                accepted + ">" + email + customer +
                                "</AuthenticateUserPOSResponse></Body></Envelope>"},
      {"single quotes, blanks around =, a tab",
       AuthResponse(
           " errorStatus = 'false'\tuserAuthenticated='true'",
           email + "<CustomerID\tTemporaryID ='true'  defaultQuenlo= 'true'>C-42</CustomerID>")},
      {"Booleans with white space around them",
       AuthResponse(
           " errorStatus=\" false \" userAuthenticated=\"\ntrue\n\"",
           email + "<CustomerID TemporaryID=\" true\" defaultQuenlo=\"true\t\">C-42</CustomerID>")},
      {"Booleans as character references",
       AuthResponse(" errorStatus=\"&#102;alse\" userAuthenticated=\"tr&#x75;e\"",
                    email + customer)},
      {"values in CDATA", AuthResponse(accepted,
                                       "<EmailAddress><![CDATA[pat@example.com]]></EmailAddress>"
                                       "<CustomerID TemporaryID=\"true\" "
                                       "defaultQuenlo=\"true\"><![CDATA[C-]]>42</CustomerID>")},
      {"an earlier copy inside a comment",
       AfterDeclaration("<!-- <ns3:AuthenticateUserPOSResponse errorStatus=\"true\"> -->",
                        AuthResponse(accepted,
                                     "<!-- <EmailAddress>old@example.com</EmailAddress>"
                                     "<CustomerID TemporaryID=\"false\">OLD</CustomerID> -->" +
                                         email + customer))},
      {"copies in a processing instruction and in CDATA text",
       AuthResponse(accepted,
                    "<?note <CustomerID TemporaryID=\"false\">PI</CustomerID> ?>"
                    "<Note><![CDATA[<EmailAddress>cdata@x</EmailAddress>]]></Note>" +
                        email + customer)},
      {"a > and a tag's text inside an attribute value",
       AuthResponse(" note=\"a>b &lt;CustomerID TemporaryID='false'&gt;\"" + accepted,
                    email + customer)},
      {"a document type declaration, its entities not expanded",
       AfterDeclaration("<!DOCTYPE Envelope [ <!ENTITY id \"X-1\"> <!ELEMENT a (#PCDATA)> ]>",
                        AuthResponse(accepted, email + customer))},
      {"a longer name that begins with the one read",
       AuthResponse(accepted,
                    "<Other><EmailAddressX>no@x</EmailAddressX></Other>" + email + customer)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetUpCustomer();
    const bool result = Parse(c.response);
    EXPECT_EQ(Outcome(result, auth_), read);
  }
}

TEST_F(AuthResponseTest, ValuesAreDecodedAndEscapedOnceWhenSentAgain) {
  EXPECT_TRUE(Parse(
      AuthResponse("",
                   "<EmailAddress>o&apos;neil@x</EmailAddress><CustomerID TemporaryID=\"false\" "
                   "defaultQuenlo=\"true\">A&amp;B&#233;</CustomerID>")));
  EXPECT_EQ(auth_.EmailAddress, "o'neil@x");
  EXPECT_EQ(auth_.CustID, "A&B\xC3\xA9");
  const std::string again = AuthenticateUserPOSRequest(auth_);
  EXPECT_NE(again.find("<EmailAddress>o&apos;neil@x</EmailAddress>"), std::string::npos);
}

TEST_F(AuthResponseTest, TheLoggedResponseHasItsCardNumbersMasked) {
  Parse(AuthResponse("", "<Note>card 4111111111111111</Note>"));
  const std::string log = AppLog();
  EXPECT_NE(log.find("RESPONSE=[ <?xml"), std::string::npos);
  EXPECT_NE(log.find("card ************1111</Note>"), std::string::npos);
  EXPECT_EQ(log.find("4111111111111111"), std::string::npos);
}

class SendResponseTest : public soaptest::SoapFixture {
 protected:
  void SetUp() override {
    SoapFixture::SetUp();
    control_.NoVesk = true;
    control_.DigitalSendExDesc = "earlier";
  }
  bool Parse(const std::string& response) {
    return ParseSendResponse(response, control_, auth_, "<Doc_No>4111111111111111</Doc_No>");
  }
  TransControl control_;
  AuthRec auth_;
};

TEST_F(SendResponseTest, AnEmptyResponseMeansNoDigitalReceipt) {
  control_.NoVesk = false;
  EXPECT_FALSE(Parse(""));
  EXPECT_TRUE(control_.NoVesk);
  EXPECT_EQ(control_.DigitalSendExDesc, "");
  EXPECT_NE(AppLog().find("Response was empty, setting NoVesk to true"), std::string::npos);
}

TEST_F(SendResponseTest, AMissingOrEmptyOutcomeGivesFalseAndKeepsTheLastOne) {
  control_.DigitalSendOK = true;
  for (const std::string& response : {SendResponse("", kCustomer), std::string("not xml"),
                                      std::string("<ns3:DigitalReceiptProcessed"),
                                      std::string("<ns3:sendDigitalReceiptResponse/>")}) {
    SCOPED_TRACE(response);
    EXPECT_FALSE(Parse(response));
    EXPECT_FALSE(control_.NoVesk);
    EXPECT_EQ(control_.DigitalSendExDesc, "");
    EXPECT_TRUE(control_.DigitalSendOK);
  }
  EXPECT_EQ(TrafficLog(), "");
}

TEST_F(SendResponseTest, ATemporaryIdentifierFillsOnlyAnEmptyCustomerId) {
  const std::string temporary =
      SendResponse("TRUE", "<CustomerID TemporaryID=\"true\">T&amp;7</CustomerID>");
  EXPECT_TRUE(Parse(temporary));
  EXPECT_TRUE(control_.DigitalSendOK);
  EXPECT_FALSE(control_.NoVesk);
  EXPECT_TRUE(auth_.IsTemp);
  EXPECT_EQ(auth_.CustID, "T&7");
  auth_.CustID = "C-42";
  EXPECT_TRUE(Parse(temporary));
  EXPECT_EQ(auth_.CustID, "C-42");

  auth_.CustID.clear();
  EXPECT_TRUE(Parse(SendResponse("true", "<CustomerID TemporaryID=\"false\">P-1</CustomerID>")));
  EXPECT_FALSE(auth_.IsTemp);
  EXPECT_EQ(auth_.CustID, "") << "a permanent identifier is not taken";
}

TEST_F(SendResponseTest, TheTemporaryIdAttributeMissingIsAnErrorEmptyOnlyAWarning) {
  for (const char* children : {"", "<CustomerID>P-1</CustomerID>"}) {
    control_.DigitalSendOK = false;
    EXPECT_FALSE(Parse(SendResponse("true", children))) << children;
    EXPECT_TRUE(control_.DigitalSendOK) << "the receipt was accepted all the same";
  }
  auth_.IsTemp = true;
  EXPECT_TRUE(Parse(SendResponse("true", "<CustomerID TemporaryID=\"\">X-1</CustomerID>")));
  EXPECT_TRUE(auth_.IsTemp);
  EXPECT_EQ(auth_.CustID, "");
  const std::string log = AppLog();
  EXPECT_EQ(CountOf(log, "CustomerID tag or its TemporaryID attribute was missing"), 2u);
  EXPECT_EQ(CountOf(log, "TemporaryID attribute of CustomerID was empty"), 1u);
}

TEST_F(SendResponseTest, ARefusalTakesTheExceptionCodeBeforeTheDescription) {
  EXPECT_FALSE(Parse(SendResponse("false",
                                  "<ExceptionDescription>Merchant unknown</ExceptionDescription>"
                                  "<ExceptionCode>MERCHANT_NOT_FOUND</ExceptionCode>")));
  EXPECT_FALSE(control_.DigitalSendOK);
  EXPECT_EQ(control_.DigitalSendExDesc, "MERCHANT_NOT_FOUND");
  EXPECT_FALSE(
      Parse(SendResponse("false", "<ExceptionDescription>Bad &lt;x&gt;</ExceptionDescription>")));
  EXPECT_EQ(control_.DigitalSendExDesc, "Bad <x>");
  EXPECT_FALSE(Parse(SendResponse("false", "")));
  EXPECT_EQ(control_.DigitalSendExDesc, "");

  const std::string traffic = TrafficLog();
  EXPECT_NE(traffic.find(" DigitalSend Not OK\n"), std::string::npos) << traffic;
  EXPECT_NE(traffic.find(" MERCHANT_NOT_FOUND\n"), std::string::npos) << traffic;
  EXPECT_EQ(CountOf(traffic, " <Doc_No>************1111</Doc_No>\n"), 3u) << traffic;
  EXPECT_EQ(traffic.find("4111111111111111"), std::string::npos);
}

// A confirmation and a refusal in every well-formed form a service may give
// them: each reads as its plain form does.
TEST_F(SendResponseTest, EveryWellFormedFormOfAnAnswerReadsAlike) {
  const std::string temporary = "<CustomerID TemporaryID=\"true\">T-7</CustomerID>";
  const std::string code = "<ExceptionCode>MERCHANT_NOT_FOUND</ExceptionCode>";
  const struct {
    const char* name;
    std::string response;
    const char* outcome;
  } cases[] = {
      {"plain confirmation", SendResponse("true", temporary), "true, sent, temp T-7, ''"},
      {"pretty-printed confirmation",
       "<soapenv:Envelope>\r\n  <soapenv:Body>\r\n    <ns3:sendDigitalReceiptResponse>\r\n"
       "      <ns3:DigitalReceiptProcessed>\r\n        true\r\n      "
       "</ns3:DigitalReceiptProcessed>\r\n      " +
           temporary +
           "\r\n    </ns3:sendDigitalReceiptResponse>\r\n  </soapenv:Body>\r\n"
           "</soapenv:Envelope>\r\n",
       "true, sent, temp T-7, ''"},
      {"outcome in CDATA", SendResponse("<![CDATA[true]]>", temporary), "true, sent, temp T-7, ''"},
      {"another prefix",
       "<S:Envelope><S:Body><r:sendDigitalReceiptResponse xmlns:r=\"urn:x\">"
       "<r:DigitalReceiptProcessed>TRUE</r:DigitalReceiptProcessed>" +
           temporary + "</r:sendDigitalReceiptResponse></S:Body></S:Envelope>",
       "true, sent, temp T-7, ''"},
      {"an earlier copy inside a comment",
       "<!-- <ns3:DigitalReceiptProcessed>false</ns3:DigitalReceiptProcessed>"
       "<CustomerID>no attribute</CustomerID> -->" +
           SendResponse("true", temporary),
       "true, sent, temp T-7, ''"},
      {"single quotes, blanks around =, a tab",
       SendResponse("true", "<CustomerID\tTemporaryID = 'true'>T-7</CustomerID>"),
       "true, sent, temp T-7, ''"},
      {"an identifier in CDATA",
       SendResponse("true", "<CustomerID TemporaryID='true'><![CDATA[T&7]]></CustomerID>"),
       "true, sent, temp T&7, ''"},
      {"plain refusal", SendResponse("false", code),
       "false, refused, temp -, 'MERCHANT_NOT_FOUND'"},
      {"pretty-printed refusal in another prefix",
       "<r:sendDigitalReceiptResponse xmlns:r=\"urn:x\">\n  <r:DigitalReceiptProcessed>\n"
       "    false\n  </r:DigitalReceiptProcessed>\n  "
       "<r:ExceptionCode><![CDATA[MERCHANT_NOT_FOUND]]>"
       "</r:ExceptionCode>\n</r:sendDigitalReceiptResponse>",
       "false, refused, temp -, 'MERCHANT_NOT_FOUND'"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    control_ = TransControl{};
    auth_ = AuthRec{};
    const bool result = Parse(c.response);
    const std::string outcome = std::string(result ? "true" : "false") + ", " +
                                (control_.DigitalSendOK ? "sent" : "refused") + ", temp " +
                                (auth_.IsTemp ? auth_.CustID : "-") + ", '" +
                                control_.DigitalSendExDesc + "'";
    EXPECT_EQ(outcome, c.outcome);
    EXPECT_EQ(ReceiptConfirmed(c.response), control_.DigitalSendOK);
  }
}

// A start tag cut short by the next "<" leaves the document not well formed:
// reading ends there whichever elements are asked for, so neither reading
// takes the confirmation that follows.
TEST_F(SendResponseTest, ATagCutShortEndsTheReadingWhateverIsAskedFor) {
  const std::string response =
      "<r><CustomerID TemporaryID='true\n<ns3:DigitalReceiptProcessed>true"
      "</ns3:DigitalReceiptProcessed><CustomerID TemporaryID=\"true\">T-1</CustomerID></r>";
  EXPECT_FALSE(ReceiptConfirmed(response));
  EXPECT_FALSE(Parse(response));
  EXPECT_FALSE(control_.DigitalSendOK);
  EXPECT_EQ(auth_.CustID, "");
}

TEST_F(SendResponseTest, TheCurrentSaleUsesTheGlobalRecordsAndTheLastRequest) {
  LastRequest = "<last>5555555555554444</last>";
  FTransControl.NoVesk = true;
  EXPECT_FALSE(ParseSendResponse(SendResponse("false", "<ExceptionCode>E1</ExceptionCode>")));
  EXPECT_FALSE(FTransControl.NoVesk);
  EXPECT_EQ(FTransControl.DigitalSendExDesc, "E1");
  EXPECT_NE(TrafficLog().find("<last>************4444</last>"), std::string::npos);
  fAuth.DefaultQuenlo = true;
  EXPECT_TRUE(ParseAuthResponse(AuthResponse("", kCustomer)));
  EXPECT_EQ(fAuth.CustID, "C-42");
  EXPECT_FALSE(fAuth.DefaultQuenloCopy);
}

TEST(DecodeXmlTextTest, EntitiesAndCharacterReferencesBecomeText) {
  EXPECT_EQ(DecodeXmlText("a &amp; b &lt;c&gt; &apos;d&apos; &quot;e&quot;"),
            "a & b <c> 'd' \"e\"");
  EXPECT_EQ(DecodeXmlText("caf&#233; &#xE9; &#x1F600;"), "caf\xC3\xA9 \xC3\xA9 \xF0\x9F\x98\x80");
  EXPECT_EQ(DecodeXmlText("&amp;amp;"), "&amp;") << "decoded once";
}

TEST(DecodeXmlTextTest, ReferencesThatAreNotWellFormedStayAsTheyAre) {
  for (const char* text : {"AT&T", "&", "&;", "&#;", "&#x;", "&nbsp;", "&#0;", "&#xD800;",
                           "&#1114112;", "&#99999999999;", "&#12a;", "&amp", "a & b &amp"}) {
    EXPECT_EQ(DecodeXmlText(text), text);
  }
}

}  // namespace
