#include "print_document.h"

#include <pugixml.hpp>

namespace hostsim {

std::string PrintDocument::ReceiptMessage() const {
  pugi::xml_document document;
  if (!document.load_string(xml_.c_str())) return {};
  pugi::xml_node receipt = document.select_node("//RootItemReceipt").node();
  return receipt.attribute("VeskMess").value();
}

}  // namespace hostsim
