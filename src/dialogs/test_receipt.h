#pragma once
// The test receipt of the setup dialog: one fixed sample digital-receipt
// request, sent to the configured service or written into the queue folder.

#include <string>

namespace dialogs {

// The sample request for `merchantId` addressed to `email`, with its receipt
// number and date ("yyyy-mm-ddThh:nn:ss"). Every inserted text is escaped for
// XML, so the request is well-formed whatever was typed.
std::string BuildTestReceipt(const std::string& merchantId, const std::string& email,
                             int receiptNumber, const std::string& date);

// A receipt number from 1000000 to 1000999, drawn at random.
int DrawTestReceiptNumber();

// Builds the sample request for `email` and either queues it (`queue`: into
// MainPrefs.QueueDirectory as workstation "4", then "Test receipt queued"
// when the file was written) or posts it to `url` behind a progress window
// and shows "Result: " + the answer, with the transport's error appended.
void SendTestReceipt(const std::string& url, const std::string& merchantId,
                     const std::string& email, bool queue);

}  // namespace dialogs
