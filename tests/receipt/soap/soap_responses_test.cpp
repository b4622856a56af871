#include "receipt/soap_responses.h"

#include <gtest/gtest.h>

#include <string>

#include "receipt/records.h"
#include "receipt/soap_messages.h"
#include "soap_test_support.h"

namespace {

using namespace receipt;

std::string Envelope(const std::string& body) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
         "<soapenv:Envelope xmlns:soapenv=\"http://schemas.xmlsoap.org/soap/envelope/\" "
         "xmlns:ns3=\"http://ws.quenlo.example/WS/v2.0\"><soapenv:Body>" +
         body + "</soapenv:Body></soapenv:Envelope>";
}

std::string AuthResponse(const std::string& attributes, const std::string& children) {
  return Envelope("<ns3:AuthenticateUserPOSResponse" + attributes + ">" + children +
                  "</ns3:AuthenticateUserPOSResponse>");
}

std::string SendResponse(const std::string& processed, const std::string& children) {
  return Envelope("<ns3:sendDigitalReceiptResponse>" + processed + children +
                  "</ns3:sendDigitalReceiptResponse>");
}

// A customer as left by an earlier exchange, to see what a parse changes.
AuthRec EarlierCustomer() {
  AuthRec a;
  a.EmailAddress = "old@example.com";
  a.CustID = "OLD-1";
  a.IsAuth = true;
  a.IsTemp = true;
  a.DefaultQuenlo = true;
  a.DefaultQuenloCopy = false;
  a.ErrorStatus = true;
  a.Exceptions = "earlier";
  return a;
}

class AuthResponseTest : public soaptest::SoapFixture {
 protected:
  AuthRec auth_ = EarlierCustomer();
  TransControl control_;
};

TEST_F(AuthResponseTest, AnEmptyResponseChangesNothing) {
  EXPECT_FALSE(ParseAuthResponse("", auth_, control_));
  const AuthRec before = EarlierCustomer();
  EXPECT_EQ(auth_.CustID, before.CustID);
  EXPECT_EQ(auth_.EmailAddress, before.EmailAddress);
  EXPECT_TRUE(auth_.ErrorStatus);
  EXPECT_EQ(auth_.Exceptions, "earlier");
  EXPECT_FALSE(auth_.DefaultQuenloCopy);
}

TEST_F(AuthResponseTest, ErrorStatusFalseInAnyCaseOrAbsentReadsTheCustomer) {
  for (const char* status :
       {" errorStatus=\"false\"", " errorStatus=\"FALSE\"", " errorStatus=\"\"", ""}) {
    SCOPED_TRACE(status);
    auth_ = EarlierCustomer();
    const std::string response =
        AuthResponse(std::string(status) + " userAuthenticated=\"TRUE\"",
                     "<EmailAddress>pat@example.com</EmailAddress>"
                     "<CustomerID TemporaryID=\"false\" defaultQuenlo=\"false\">C-42</CustomerID>");
    EXPECT_TRUE(ParseAuthResponse(response, auth_, control_));
    EXPECT_FALSE(auth_.ErrorStatus);
    EXPECT_EQ(auth_.Exceptions, "");
    EXPECT_TRUE(auth_.IsAuth);
    EXPECT_EQ(auth_.EmailAddress, "pat@example.com");
    EXPECT_EQ(auth_.CustID, "C-42");
    EXPECT_FALSE(auth_.IsTemp);
    EXPECT_FALSE(auth_.DefaultQuenlo);
    EXPECT_FALSE(auth_.DefaultQuenloCopy);
  }
}

TEST_F(AuthResponseTest, TemporaryDigitalDefaultCustomerIsCopied) {
  const std::string response =
      AuthResponse(" errorStatus=\"false\" userAuthenticated=\"false\"",
                   "<CustomerID TemporaryID=\"true\" defaultQuenlo=\"true\">T-9</CustomerID>");
  auth_.DefaultQuenlo = false;
  EXPECT_TRUE(ParseAuthResponse(response, auth_, control_));
  EXPECT_FALSE(auth_.IsAuth);
  EXPECT_EQ(auth_.CustID, "T-9");
  EXPECT_TRUE(auth_.IsTemp);
  EXPECT_TRUE(auth_.DefaultQuenlo);
  EXPECT_TRUE(auth_.DefaultQuenloCopy);
  EXPECT_EQ(auth_.EmailAddress, "old@example.com") << "no EmailAddress element";
}

TEST_F(AuthResponseTest, WithoutCustomerIdTheResultIsFalseAndTheIdentifierStays) {
  const std::string response = AuthResponse(" errorStatus=\"false\" userAuthenticated=\"true\"",
                                            "<EmailAddress>new@example.com</EmailAddress>");
  EXPECT_FALSE(ParseAuthResponse(response, auth_, control_));
  EXPECT_TRUE(auth_.IsAuth);
  EXPECT_EQ(auth_.EmailAddress, "new@example.com");
  EXPECT_EQ(auth_.CustID, "OLD-1");
  EXPECT_TRUE(auth_.IsTemp);
  EXPECT_TRUE(auth_.DefaultQuenloCopy);
}

TEST_F(AuthResponseTest, AnAddressChangedAtTheRegisterIsKept) {
  control_.EmailChanged = true;
  const std::string response =
      AuthResponse(" errorStatus=\"false\"",
                   "<EmailAddress>service@example.com</EmailAddress><CustomerID "
                   "TemporaryID=\"false\" defaultQuenlo=\"false\">C-1</CustomerID>");
  EXPECT_TRUE(ParseAuthResponse(response, auth_, control_));
  EXPECT_EQ(auth_.EmailAddress, "old@example.com");
  EXPECT_EQ(auth_.CustID, "C-1");
}

TEST_F(AuthResponseTest, AnErrorStatusKeepsTheCustomerAndReadsTheExceptions) {
  const std::string response =
      AuthResponse(" errorStatus=\"true\" userAuthenticated=\"true\"",
                   "<Exceptions>Unknown merchant &amp; store</Exceptions>"
                   "<CustomerID TemporaryID=\"false\" defaultQuenlo=\"false\">NEW</CustomerID>");
  auth_.ErrorStatus = false;
  auth_.IsAuth = false;
  EXPECT_FALSE(ParseAuthResponse(response, auth_, control_));
  EXPECT_TRUE(auth_.ErrorStatus);
  EXPECT_EQ(auth_.Exceptions, "Unknown merchant & store");
  EXPECT_FALSE(auth_.IsAuth);
  EXPECT_EQ(auth_.CustID, "OLD-1");
  EXPECT_TRUE(auth_.DefaultQuenloCopy) << "copied in both branches";

  EXPECT_FALSE(ParseAuthResponse(AuthResponse(" errorStatus=\"yes\"", ""), auth_, control_));
  EXPECT_TRUE(auth_.ErrorStatus);
  EXPECT_EQ(auth_.Exceptions, "");
}

TEST_F(AuthResponseTest, MalformedResponsesReadAsIfTheElementsWereAbsent) {
  for (const std::string& junk :
       {std::string("<<<>>>"), std::string("HTTP/1.1 502 Bad Gateway"),
        std::string("<ns3:AuthenticateUserPOSResponse errorStatus=\"false"),
        std::string("<CustomerID"), std::string("<EmailAddress>")}) {
    SCOPED_TRACE(junk);
    auth_ = EarlierCustomer();
    EXPECT_FALSE(ParseAuthResponse(junk, auth_, control_));
    EXPECT_FALSE(auth_.ErrorStatus);
    EXPECT_EQ(auth_.Exceptions, "");
    EXPECT_EQ(auth_.CustID, "OLD-1");
    EXPECT_EQ(auth_.EmailAddress, "old@example.com");
  }
}

TEST_F(AuthResponseTest, TagNamesMatchWithoutRegardToCaseAndTheFirstElementCounts) {
  const std::string response =
      "<NS3:authenticateUserPOSResponse ERRORSTATUS=\"False\" userauthenticated=\"True\">"
      "<emailaddress>first@example.com</emailaddress><EmailAddress>second@example.com</"
      "EmailAddress>"
      "<customerid TemporaryID=\"true\" DefaultQuenlo=\"true\">c-1</customerid>"
      "<CustomerID TemporaryID=\"false\" defaultQuenlo=\"false\">C-2</CustomerID>"
      "</NS3:authenticateUserPOSResponse>";
  EXPECT_TRUE(ParseAuthResponse(response, auth_, control_));
  EXPECT_TRUE(auth_.IsAuth);
  EXPECT_EQ(auth_.EmailAddress, "first@example.com");
  EXPECT_EQ(auth_.CustID, "c-1");
  EXPECT_TRUE(auth_.IsTemp);
  EXPECT_TRUE(auth_.DefaultQuenlo);

  TransControl control;
  AuthRec auth;
  EXPECT_TRUE(ParseSendResponse(
      "<ns3:digitalreceiptprocessed>True</ns3:digitalreceiptprocessed>"
      "<customerID temporaryid=\"true\">T-1</customerID><CustomerID TemporaryID=\"false\">",
      control, auth, ""));
  EXPECT_TRUE(control.DigitalSendOK);
  EXPECT_EQ(auth.CustID, "T-1");
}

TEST_F(AuthResponseTest, ValuesAreDecodedAndEscapedOnceWhenSentAgain) {
  const std::string response = AuthResponse(
      " errorStatus=\"false\" userAuthenticated=\"true\"",
      "<EmailAddress>o&apos;neil@x</EmailAddress>"
      "<CustomerID TemporaryID=\"false\" defaultQuenlo=\"true\">A&amp;B&#233;</CustomerID>");
  EXPECT_TRUE(ParseAuthResponse(response, auth_, control_));
  EXPECT_EQ(auth_.EmailAddress, "o'neil@x");
  EXPECT_EQ(auth_.CustID, "A&B\xC3\xA9");

  const std::string again = AuthenticateUserPOSRequest(auth_);
  EXPECT_NE(again.find("<EmailAddress>o&apos;neil@x</EmailAddress>"), std::string::npos);
  EXPECT_EQ(again.find("&amp;apos;"), std::string::npos);
}

TEST_F(AuthResponseTest, TheLoggedResponseHasItsCardNumbersMasked) {
  const std::string response =
      AuthResponse(" errorStatus=\"false\"", "<Note>card 4111111111111111</Note>");
  ParseAuthResponse(response, auth_, control_);
  const std::string log = AppLog();
  EXPECT_NE(log.find("RESPONSE=[ "), std::string::npos);
  EXPECT_NE(log.find("card ************1111</Note>"), std::string::npos);
  EXPECT_EQ(log.find("4111111111111111"), std::string::npos);
}

TEST_F(AuthResponseTest, TheCurrentSaleIsReadIntoTheGlobalRecords) {
  FTransControl.EmailChanged = true;
  fAuth.EmailAddress = "kept@example.com";
  const std::string response =
      AuthResponse(" errorStatus=\"false\" userAuthenticated=\"true\"",
                   "<EmailAddress>x@example.com</EmailAddress>"
                   "<CustomerID TemporaryID=\"true\" defaultQuenlo=\"true\">G-1</CustomerID>");
  EXPECT_TRUE(ParseAuthResponse(response));
  EXPECT_EQ(fAuth.CustID, "G-1");
  EXPECT_EQ(fAuth.EmailAddress, "kept@example.com");
  EXPECT_TRUE(fAuth.DefaultQuenloCopy);
}

class SendResponseTest : public soaptest::SoapFixture {
 protected:
  void SetUp() override {
    SoapFixture::SetUp();
    control_.NoVesk = true;
    control_.DigitalSendExDesc = "earlier";
  }
  TransControl control_;
  AuthRec auth_;
  const std::string request_ = "<Doc_No>4111111111111111</Doc_No>";
};

TEST_F(SendResponseTest, AnEmptyResponseMeansNoDigitalReceipt) {
  control_.NoVesk = false;
  EXPECT_FALSE(ParseSendResponse("", control_, auth_, request_));
  EXPECT_TRUE(control_.NoVesk);
  EXPECT_EQ(control_.DigitalSendExDesc, "");
  EXPECT_NE(AppLog().find("Response was empty, setting NoVesk to true"), std::string::npos);
}

TEST_F(SendResponseTest, AMissingOrEmptyProcessedElementGivesFalseAndKeepsTheOutcome) {
  control_.DigitalSendOK = true;
  for (const std::string& response :
       {SendResponse("", ""),
        SendResponse("<ns3:DigitalReceiptProcessed></ns3:DigitalReceiptProcessed>", ""),
        std::string("not xml at all"), std::string("<ns3:DigitalReceiptProcessed")}) {
    SCOPED_TRACE(response);
    EXPECT_FALSE(ParseSendResponse(response, control_, auth_, request_));
    EXPECT_FALSE(control_.NoVesk);
    EXPECT_EQ(control_.DigitalSendExDesc, "");
    EXPECT_TRUE(control_.DigitalSendOK);
  }
  EXPECT_EQ(TrafficLog(), "") << "nothing written for a response without an outcome";
}

TEST_F(SendResponseTest, ATemporaryIdentifierFillsOnlyAnEmptyCustomerId) {
  const std::string response =
      SendResponse("<ns3:DigitalReceiptProcessed>TRUE</ns3:DigitalReceiptProcessed>",
                   "<CustomerID TemporaryID=\"true\">T&amp;7</CustomerID>");
  EXPECT_TRUE(ParseSendResponse(response, control_, auth_, request_));
  EXPECT_TRUE(control_.DigitalSendOK);
  EXPECT_FALSE(control_.NoVesk);
  EXPECT_TRUE(auth_.IsTemp);
  EXPECT_EQ(auth_.CustID, "T&7");

  auth_.CustID = "C-42";
  EXPECT_TRUE(ParseSendResponse(response, control_, auth_, request_));
  EXPECT_EQ(auth_.CustID, "C-42");
}

TEST_F(SendResponseTest, APermanentIdentifierLeavesTheCustomerId) {
  auth_.IsTemp = true;
  const std::string response =
      SendResponse("<ns3:DigitalReceiptProcessed>true</ns3:DigitalReceiptProcessed>",
                   "<CustomerID TemporaryID=\"false\">P-1</CustomerID>");
  EXPECT_TRUE(ParseSendResponse(response, control_, auth_, request_));
  EXPECT_FALSE(auth_.IsTemp);
  EXPECT_EQ(auth_.CustID, "");
}

TEST_F(SendResponseTest, MissingCustomerIdOrTemporaryIdIsAnErrorButTheReceiptWasAccepted) {
  const std::string processed = "<ns3:DigitalReceiptProcessed>true</ns3:DigitalReceiptProcessed>";
  for (const std::string& children :
       {std::string(""), std::string("<CustomerID>P-1</CustomerID>")}) {
    SCOPED_TRACE(children);
    control_.DigitalSendOK = false;
    EXPECT_FALSE(ParseSendResponse(SendResponse(processed, children), control_, auth_, request_));
    EXPECT_TRUE(control_.DigitalSendOK);
    EXPECT_EQ(auth_.CustID, "");
  }
  EXPECT_EQ(soaptest::CountOf(AppLog(), "CustomerID tag or its TemporaryID attribute was missing"),
            2u);
}

TEST_F(SendResponseTest, AnEmptyTemporaryIdIsOnlyAWarning) {
  auth_.IsTemp = true;
  const std::string response =
      SendResponse("<ns3:DigitalReceiptProcessed>true</ns3:DigitalReceiptProcessed>",
                   "<CustomerID TemporaryID=\"\">X-1</CustomerID>");
  EXPECT_TRUE(ParseSendResponse(response, control_, auth_, request_));
  EXPECT_TRUE(auth_.IsTemp);
  EXPECT_EQ(auth_.CustID, "");
  EXPECT_NE(AppLog().find("TemporaryID attribute of CustomerID was empty"), std::string::npos);
}

TEST_F(SendResponseTest, ARefusalTakesTheExceptionCodeBeforeTheDescription) {
  const std::string processed = "<ns3:DigitalReceiptProcessed>false</ns3:DigitalReceiptProcessed>";
  EXPECT_FALSE(
      ParseSendResponse(SendResponse(processed,
                                     "<ExceptionDescription>Merchant unknown</ExceptionDescription>"
                                     "<ExceptionCode>MERCHANT_NOT_FOUND</ExceptionCode>"),
                        control_, auth_, request_));
  EXPECT_FALSE(control_.DigitalSendOK);
  EXPECT_EQ(control_.DigitalSendExDesc, "MERCHANT_NOT_FOUND");

  EXPECT_FALSE(ParseSendResponse(
      SendResponse(processed, "<ExceptionDescription>Bad &lt;data&gt;</ExceptionDescription>"),
      control_, auth_, request_));
  EXPECT_EQ(control_.DigitalSendExDesc, "Bad <data>");

  EXPECT_FALSE(ParseSendResponse(SendResponse(processed, ""), control_, auth_, request_));
  EXPECT_EQ(control_.DigitalSendExDesc, "");
}

TEST_F(SendResponseTest, ARefusalIsWrittenToTheTrafficLogWithTheRequestMasked) {
  EXPECT_FALSE(ParseSendResponse(
      SendResponse("<ns3:DigitalReceiptProcessed>false</ns3:DigitalReceiptProcessed>",
                   "<ExceptionCode>MERCHANT_NOT_FOUND</ExceptionCode>"),
      control_, auth_, request_));
  const std::string traffic = TrafficLog();
  EXPECT_NE(traffic.find(" DigitalSend Not OK\n"), std::string::npos) << traffic;
  EXPECT_NE(traffic.find(" MERCHANT_NOT_FOUND\n"), std::string::npos) << traffic;
  EXPECT_NE(traffic.find(" <Doc_No>************1111</Doc_No>\n"), std::string::npos) << traffic;
  EXPECT_EQ(traffic.find("4111111111111111"), std::string::npos);
}

TEST_F(SendResponseTest, TheCurrentSaleUsesTheLastRequest) {
  LastRequest = "<last>5555555555554444</last>";
  FTransControl.NoVesk = true;
  EXPECT_FALSE(ParseSendResponse(
      SendResponse("<ns3:DigitalReceiptProcessed>false</ns3:DigitalReceiptProcessed>",
                   "<ExceptionCode>E1</ExceptionCode>")));
  EXPECT_FALSE(FTransControl.NoVesk);
  EXPECT_EQ(FTransControl.DigitalSendExDesc, "E1");
  EXPECT_NE(TrafficLog().find("<last>************4444</last>"), std::string::npos);
}

TEST(DecodeXmlTextTest, EntitiesAndCharacterReferencesBecomeText) {
  EXPECT_EQ(DecodeXmlText("a &amp; b &lt;c&gt; &apos;d&apos; &quot;e&quot;"),
            "a & b <c> 'd' \"e\"");
  EXPECT_EQ(DecodeXmlText("caf&#233; &#xE9; &#x1F600;"), "caf\xC3\xA9 \xC3\xA9 \xF0\x9F\x98\x80");
  EXPECT_EQ(DecodeXmlText("&amp;amp;"), "&amp;") << "decoded once";
}

TEST(DecodeXmlTextTest, ReferencesThatAreNotWellFormedStayAsTheyAre) {
  for (const char* text : {"AT&T", "&", "&;", "&#;", "&#x;", "&nbsp;", "&#0;", "&#xD800;",
                           "&#1114112;", "&#99999999999;", "&#12a;", "&amp", "fish & chips &amp"}) {
    SCOPED_TRACE(text);
    EXPECT_EQ(DecodeXmlText(text), text);
  }
}

}  // namespace
