#include "sale_events.h"

#include <QCoreApplication>
#include <QEvent>

#include "host_commands.h"
#include "platform/com/bstr.h"
#include "platform/com/guid.h"
#include "platform/com/variant.h"
#include "print_document.h"

namespace hostsim {

namespace {

std::string Described(IPlugin* plugin) {
  const char* text = nullptr;
  if (FAILED(plugin->Get_Description(&text)) || text == nullptr) return "?";
  return text;
}

std::string Caption(ISideButtonPlugin* button) {
  const char* text = nullptr;
  if (FAILED(button->Get_Caption(&text)) || text == nullptr) return {};
  return text;
}

// The answer of a call with a WordBool result, as the transcript shows it.
std::string Answer(HRESULT hr, WordBool result) {
  return SUCCEEDED(hr) ? BoolText(result) : "failed " + HResultText(hr);
}

const char kDefaultPrintDocument[] =
    "<?xml version=\"1.0\"?>\n<Document><RootItemReceipt/></Document>\n";

}  // namespace

bool SaleEvents::Load(const PluginLibrary& library, const std::vector<std::string>& classes,
                      IPluginAdapter* adapter) {
  bool ok = true;
  for (size_t i = 0; i < classes.size(); ++i) {
    CLSID clsid{};
    HRESULT hr = E_FAIL;
    ComPtr<IUnknown> object;
    if (GuidFromString(classes[i], clsid))
      object = library.Create<IUnknown>(clsid, IID_IUnknown, &hr);
    LoadedPlugin loaded;
    loaded.clsid = classes[i];
    if (object) loaded.plugin = object.As<IPlugin>(IID_IPlugin);
    if (!loaded.plugin) {
      out_ << "Plug-in " << i + 1 << ": " << classes[i] << " cannot be created (" << HResultText(hr)
           << ")\n";
      failures_.push_back("plug-in " + classes[i] + " could not be created");
      ok = false;
      continue;
    }
    loaded.entity = object.As<IEntityUpdatePlugin>(IID_IEntityUpdatePlugin);
    loaded.print = object.As<IPrintPlugin>(IID_IPrintPlugin);
    loaded.button = object.As<ISideButtonPlugin>(IID_ISideButtonPlugin);
    loaded.configure = object.As<IConfigurePlugin>(IID_IConfigurePlugin);
    loaded.server = object.As<IServerPlugin>(IID_IServerPlugin);
    if (ComPtr<IBOPlugin> bo = object.As<IBOPlugin>(IID_IBOPlugin)) bo->Get_BOKind(&loaded.kind);
    loaded.description = Described(loaded.plugin.Get());
    HRESULT set = loaded.plugin->Set_Adapter(adapter);
    WordBool prepared = 0;
    HRESULT prepare = loaded.plugin->Prepare(&prepared);
    out_ << "Plug-in " << i + 1 << ": \"" << loaded.description << "\" kind " << loaded.kind
         << ": Set_Adapter " << HResultText(set) << ", Prepare " << Answer(prepare, prepared)
         << "\n";
    if (FAILED(set) || FAILED(prepare)) {
      failures_.push_back("plug-in \"" + loaded.description + "\" could not be prepared");
    }
    plugins_.push_back(std::move(loaded));
  }
  return ok;
}

void SaleEvents::Expect(const EventEntry& event, size_t index, bool answered,
                        const std::string& who) {
  if (index >= event.answers.size()) return;
  if (event.answers[index] != answered) {
    failures_.push_back(std::string(EventName(event.kind)) + " (" + event.place.Text() +
                        "): " + who + " answered " + (answered ? "True" : "False") + ", expected " +
                        (event.answers[index] ? "True" : "False"));
  }
}

void SaleEvents::Fire(const EventEntry& event, int number, int32_t documentKind) {
  out_ << "Event " << number << ": " << EventName(event.kind);
  if (!event.name.empty()) out_ << " \"" << event.name << "\"";
  out_ << " (" << KindName(documentKind) << ")\n";
  size_t takers = 0;
  for (LoadedPlugin& p : plugins_) {
    const std::string who = "\"" + p.description + "\"";
    switch (event.kind) {
      case EventKind::BeforeUpdate: {
        if (!p.entity || p.kind != documentKind) break;
        WordBool result = 0;
        HRESULT hr = p.entity->BeforeUpdate(&result);
        out_ << "  " << who << " BeforeUpdate: " << Answer(hr, result) << "\n";
        Expect(event, 0, SUCCEEDED(hr) && result != 0, who);
        ++takers;
        break;
      }
      case EventKind::AfterUpdate: {
        if (!p.entity || p.kind != documentKind) break;
        HRESULT hr = p.entity->AfterUpdate();
        out_ << "  " << who << " AfterUpdate: " << HResultText(hr) << "\n";
        Expect(event, 0, SUCCEEDED(hr), who);
        ++takers;
        break;
      }
      case EventKind::Print: {
        if (!p.print || p.kind != documentKind) break;
        ComPtr<PrintDocument> document = MakeComObject<PrintDocument>(
            event.printDocument.empty() ? kDefaultPrintDocument : event.printDocument);
        if (!document->Parsed()) {
          failures_.push_back("print (" + event.place.Text() + "): the document does not parse");
        }
        HRESULT hr = p.print->Set_PrintContext(document->GetUnknown());
        out_ << "  " << who << " Set_PrintContext: " << HResultText(hr) << "\n";
        std::vector<std::string> slips = event.slips;
        if (slips.empty()) slips = {"card slip", "paper receipt"};
        for (size_t i = 0; i < slips.size(); ++i) {
          WordBool result = 0;
          hr = p.print->HandleEvent(&result);
          out_ << "  " << who << " " << slips[i] << ": HandleEvent " << Answer(hr, result) << "\n";
          Expect(event, i, SUCCEEDED(hr) && result != 0, who + " for the " + slips[i]);
        }
        const std::string message = document->ReceiptMessage();
        out_ << "  receipt message: \"" << message << "\"\n";
        if (event.receiptMessage && *event.receiptMessage != message) {
          failures_.push_back("print (" + event.place.Text() + "): the receipt message is \"" +
                              message + "\", expected \"" + *event.receiptMessage + "\"");
        }
        p.print->Set_PrintContext(nullptr);
        ++takers;
        break;
      }
      case EventKind::SideButton: {
        if (!p.button || p.kind != documentKind || Caption(p.button.Get()) != event.name) break;
        WordBool enabled = 0;
        HRESULT asked = p.button->Get_ButtonEnabled(&enabled);
        out_ << "  " << who << " Get_ButtonEnabled: " << Answer(asked, enabled) << "\n";
        WordBool result = 0;
        HRESULT hr = p.plugin->HandleEvent(&result);
        out_ << "  " << who << " HandleEvent: " << Answer(hr, result) << "\n";
        Expect(event, 0, SUCCEEDED(hr) && result != 0, who);
        ++takers;
        break;
      }
      case EventKind::UIEvent: {
        if (!p.button || p.kind != documentKind) break;
        Variant subscribed;
        if (FAILED(p.button->Get_BOUIEvents(subscribed.Put()))) break;
        if (VariantText(subscribed).find("." + event.name + ".") == std::string::npos) break;
        BStr type(event.name);
        Variant parameters;
        Variant returned;
        WordBool handled = 0;
        WordBool result = 0;
        HRESULT hr = p.button->HandleBOUIEvent(0, type.Get(), &parameters.Get(), returned.Put(),
                                               &handled, &result);
        out_ << "  " << who << " HandleBOUIEvent: " << Answer(hr, result) << ", handled "
             << BoolText(handled) << ", return values " << VariantText(returned) << "\n";
        Expect(event, 0, SUCCEEDED(hr) && result != 0, who);
        ++takers;
        break;
      }
      case EventKind::Configure: {
        if (!p.configure) break;
        HRESULT hr = p.configure->ConfigureAll();
        out_ << "  " << who << " ConfigureAll: " << HResultText(hr) << "\n";
        Expect(event, 0, SUCCEEDED(hr), who);
        ++takers;
        break;
      }
      case EventKind::Value: {
        if (!p.server) break;
        BStr name(event.name);
        Variant value;
        WordBool found = 0;
        WordBool result = 0;
        HRESULT hr = p.server->GetValue(0, name.Get(), 0, value.Put(), &found, &result);
        out_ << "  " << who << " GetValue: " << Answer(hr, result) << ", found " << BoolText(found)
             << ", value " << VariantText(value) << "\n";
        Expect(event, 0, SUCCEEDED(hr) && found != 0, who + " (found)");
        // The rest of what the host asks a values server: the names it
        // answers for and the kinds and contexts it supports.
        Variant names;
        hr = p.server->GetValueNames(names.Put());
        out_ << "  " << who << " GetValueNames: " << HResultText(hr) << ", " << VariantText(names)
             << "\n";
        ComPtr<Ivk9ValuesServer> values = p.plugin.As<Ivk9ValuesServer>(IID_Ivk9ValuesServer);
        for (int32_t what : {0, 1}) {
          WordBool supports = 0;
          hr = p.server->Supports(what, &supports);
          out_ << "  " << who << " Supports(" << what << "): " << Answer(hr, supports);
          if (values) {
            WordBool context = 0;
            hr = values->SupportsValueContext(what, &context);
            out_ << ", SupportsValueContext(" << what << "): " << Answer(hr, context);
          }
          out_ << "\n";
        }
        ++takers;
        break;
      }
    }
  }
  // The host's event loop runs between events: what the plug-in released for
  // a deferred delete goes now, while its library is still loaded.
  if (QCoreApplication::instance() != nullptr) {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
  if (takers == 0) {
    // The host calls no one; an answer the scenario expected never comes.
    out_ << "  no plug-in takes it\n";
    if (!event.answers.empty() || event.receiptMessage) {
      failures_.push_back(std::string(EventName(event.kind)) + " (" + event.place.Text() +
                          "): no plug-in took it, so no answer came");
    }
  }
}

bool SaleEvents::CleanUp() {
  bool ok = true;
  for (LoadedPlugin& p : plugins_) {
    HRESULT hr = p.plugin->CleanUp();
    out_ << "CleanUp \"" << p.description << "\": " << HResultText(hr) << "\n";
    ok = ok && SUCCEEDED(hr);
  }
  plugins_.clear();
  return ok;
}

}  // namespace hostsim
