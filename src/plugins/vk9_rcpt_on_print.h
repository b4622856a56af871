#pragma once
// TVK9RcptOnPrint: the print-control plug-in, asked before each invoice
// document prints. It answers from the sale's print flags whether the
// document (card slip or paper receipt) prints, and writes the receipt-ID
// message into the host's XML print document.

#include <string>

#include "hostplugin/custom_print_plugin.h"

namespace plugins {

// The sentence printed before the receipt ID on a receipt.
std::string ReceiptIdMessage();

class TVK9RcptOnPrint : public hostplugin::TCustomPrintPlugin {
 public:
  const char* ClassName() const override { return "TVK9RcptOnPrint"; }
  void Initialize() override;

 protected:
  bool HandleEventImpl() override;

 private:
  // The receipt-ID message on the print document, when the current invoice
  // is a sale or return (status or type 0 or 2).
  void AddReceiptIdMessage();
};

}  // namespace plugins
