#include "print_document.h"

#include <vector>

#include "platform/com/bstr.h"
#include "platform/com/com_ptr.h"
#include "platform/com/safecall.h"
#include "platform/com/variant.h"

namespace hostsim {

namespace {

using Tree = std::shared_ptr<pugi::xml_document>;

class Element : public VtableDispatchObject<IXMLDOMElement> {
 public:
  Element(Tree tree, pugi::xml_node node) : tree_(std::move(tree)), node_(node) {}

  HRESULT setAttribute(BSTR name, const VARIANT* value) override {
    if (value == nullptr) return E_POINTER;
    return SafeCall([&] {
      const std::string key = Utf8FromBstr(name);
      pugi::xml_attribute attribute = node_.attribute(key.c_str());
      if (!attribute) attribute = node_.append_attribute(key.c_str());
      attribute.set_value(Variant(*value).ToString().c_str());
    });
  }

 protected:
  void* FindInterface(const IID& iid) override {
    if (iid == IID_IDispatch || iid == IID_IXMLDOMElement) {
      return static_cast<IXMLDOMElement*>(this);
    }
    return nullptr;
  }

 private:
  Tree tree_;
  pugi::xml_node node_;
};

class NodeList : public VtableDispatchObject<IXMLDOMNodeList> {
 public:
  NodeList(Tree tree, std::vector<pugi::xml_node> nodes)
      : tree_(std::move(tree)), nodes_(std::move(nodes)) {}

  HRESULT get_length(int32_t* length) override {
    if (length == nullptr) return E_POINTER;
    *length = static_cast<int32_t>(nodes_.size());
    return S_OK;
  }
  HRESULT get_item(int32_t index, IUnknown** node) override {
    if (node == nullptr) return E_POINTER;
    *node = nullptr;
    if (index < 0 || static_cast<size_t>(index) >= nodes_.size()) return S_FALSE;
    *node = MakeComObject<Element>(tree_, nodes_[index]).Detach()->GetUnknown();
    return S_OK;
  }

 protected:
  void* FindInterface(const IID& iid) override {
    if (iid == IID_IDispatch || iid == IID_IXMLDOMNodeList) {
      return static_cast<IXMLDOMNodeList*>(this);
    }
    return nullptr;
  }

 private:
  Tree tree_;
  std::vector<pugi::xml_node> nodes_;
};

}  // namespace

PrintDocument::PrintDocument(const std::string& xml)
    : tree_(std::make_shared<pugi::xml_document>()) {
  parsed_ = static_cast<bool>(tree_->load_string(xml.c_str()));
}

std::string PrintDocument::ReceiptMessage() const {
  pugi::xml_node receipt = tree_->select_node("//RootItemReceipt").node();
  return receipt.attribute("VeskMess").value();
}

HRESULT PrintDocument::getElementsByTagName(BSTR tagName, IXMLDOMNodeList** list) {
  if (list == nullptr) return E_POINTER;
  *list = nullptr;
  return SafeCall([&] {
    const std::string name = Utf8FromBstr(tagName);
    std::vector<pugi::xml_node> found;
    for (pugi::xpath_node hit : tree_->select_nodes("//*")) {
      if (name == hit.node().name()) found.push_back(hit.node());
    }
    *list = MakeComObject<NodeList>(tree_, std::move(found)).Detach();
  });
}

void* PrintDocument::FindInterface(const IID& iid) {
  if (iid == IID_IDispatch || iid == IID_IXMLDOMDocument) {
    return static_cast<IXMLDOMDocument*>(this);
  }
  return nullptr;
}

}  // namespace hostsim
