#pragma once
// The print document the host hands to print plug-ins as their print context
// before a print event: the XML document being printed, offered through the
// host's XML document interface over a pugixml tree. The receipt message is
// the "VeskMess" attribute of its first "RootItemReceipt" element.

#include <memory>
#include <string>

#include <pugixml.hpp>

#include "host_interfaces/host_interfaces.h"
#include "platform/com/vtable_dispatch.h"

namespace hostsim {

class PrintDocument : public VtableDispatchObject<IXMLDOMDocument> {
 public:
  // False when `xml` does not parse; the document is then empty.
  explicit PrintDocument(const std::string& xml);

  bool Parsed() const { return parsed_; }
  // The receipt message, empty when the document carries none.
  std::string ReceiptMessage() const;

  // IXMLDOMDocument
  HRESULT getElementsByTagName(BSTR tagName, IXMLDOMNodeList** list) override;

 protected:
  void* FindInterface(const IID& iid) override;

 private:
  // Shared with the lists and elements handed out, which may outlive the
  // document object.
  std::shared_ptr<pugi::xml_document> tree_;
  bool parsed_ = false;
};

}  // namespace hostsim
