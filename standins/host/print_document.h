#pragma once
// The print document the host hands to print plug-ins as their print context
// before a print event: the XML text of the document being printed. The
// receipt message is the "VeskMess" attribute of its "RootItemReceipt"
// element.

#include <string>

#include "platform/com/com_object.h"

namespace hostsim {

class PrintDocument : public ComObject<IUnknown> {
 public:
  explicit PrintDocument(std::string xml) : xml_(std::move(xml)) {}

  const std::string& Xml() const { return xml_; }
  // The receipt message, empty when the document carries none.
  std::string ReceiptMessage() const;

 protected:
  void* FindInterface(const IID&) override { return nullptr; }

 private:
  std::string xml_;
};

}  // namespace hostsim
