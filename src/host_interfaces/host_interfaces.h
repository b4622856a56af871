#pragma once
// The interfaces between the point-of-sale host and the plug-in library, with
// their interface identifiers. The library implements the plug-in interfaces
// and the discovery interface; the host implements IPluginAdapter and hands it
// to every plug-in. Both sides include this one header.
//
// Every interface is dual: after the three IUnknown and four IDispatch slots
// its own methods follow in exactly the order declared here, because the host
// calls them by vtable slot. Methods are "safecall": they answer an HRESULT
// and carry the declared result as the last out parameter.
//
// Texts handed out as `const char*` are pointers to the object's own
// zero-terminated UTF-8 strings (not copies, never null); they stay valid
// while the object lives and the text is unchanged.

#include <cstdint>

#include "platform/com/interfaces.h"

// Library identifiers of the host's plug-in type library and of ours.
inline constexpr GUID LIBID_HostPlugins = MakeGuid("{839F2F14-1599-415D-83DE-AF47853410E2}");
inline constexpr GUID LIBID_Norvane94 = MakeGuid("{BBA3F7E6-F2D5-4003-A40D-0A95E6B4560C}");

inline constexpr IID IID_IPlugin = MakeGuid("{A22780F0-A55F-4E05-9C4D-A98FEB6A7A9F}");
inline constexpr IID IID_IBOPlugin = MakeGuid("{D769FFDE-3738-4A93-88AA-CE6357C6AD8E}");
inline constexpr IID IID_IServerPlugin = MakeGuid("{9F41F920-DE63-47E4-866C-175D2D41C7EE}");
inline constexpr IID IID_IConfigurePlugin = MakeGuid("{0B6E3047-B487-4465-8982-418FBAD76B17}");
inline constexpr IID IID_IEntityUpdatePlugin = MakeGuid("{BB7F6968-CD4A-46D2-822F-6BA885BF2055}");
inline constexpr IID IID_IPrintPlugin = MakeGuid("{8E298576-2A0A-4A63-8DBA-6E485A853245}");
inline constexpr IID IID_ISideButtonPlugin = MakeGuid("{D0D606DF-6D0B-458F-8A99-18FA0B32696F}");
inline constexpr IID IID_IPluginAdapter = MakeGuid("{3C97FFAF-22AD-4CC5-9FC8-885874F15805}");
inline constexpr IID IID_IPluginDiscover = MakeGuid("{3BE47FB7-DCC2-4D0A-81CA-A3A6DFEF279A}");
inline constexpr IID IID_Ivk9ValuesServer = MakeGuid("{26579216-8FAD-444D-B39A-FA498477366E}");
inline constexpr IID IID_IXMLDOMDocument = MakeGuid("{8E761C29-4769-4046-B052-5CA6AA9F206D}");
inline constexpr IID IID_IXMLDOMNodeList = MakeGuid("{3DC23328-4708-4105-820B-BDB9CF8008DB}");
inline constexpr IID IID_IXMLDOMElement = MakeGuid("{0F4DAB24-47E3-4E33-8D16-580884D21B2D}");

// Plug-in priorities as answered by Get_Priority.
enum TPluginPriority : int32_t { ppNormal = 0, ppLow = 1, ppHigh = 2 };

// Business-object kinds the plug-ins are bound to or create.
inline constexpr int32_t kBOKindCustomer = 5;
inline constexpr int32_t kBOKindInvoice = 8;
inline constexpr int32_t kBOKindSalesOrder = 24;
inline constexpr int32_t kBOKindSODeposit = 42;

// Status the adapter answers for a successful call.
inline constexpr int32_t kAdapterSuccess = -1;

struct IPluginAdapter;

// ---------------------------------------------------------------------------
// Host plug-in interfaces (implemented by the library)

struct IPlugin : IDispatch {
  virtual HRESULT Get_Description(const char** value) = 0;  // slot 7
  virtual HRESULT Get_GUID(GUID* value) = 0;
  virtual HRESULT HandleEvent(WordBool* result) = 0;
  virtual HRESULT CleanUp() = 0;
  virtual HRESULT Get_Adapter(IPluginAdapter** value) = 0;
  virtual HRESULT Set_Adapter(IPluginAdapter* value) = 0;
  virtual HRESULT Prepare(WordBool* result) = 0;
  virtual HRESULT Get_Priority(int32_t* value) = 0;
  virtual HRESULT Get_Enabled(WordBool* value) = 0;
  virtual HRESULT Set_Enabled(WordBool value) = 0;  // slot 16
};

struct IBOPlugin : IPlugin {
  virtual HRESULT Get_BOKind(int32_t* value) = 0;  // slot 17
};

struct IServerPlugin : IBOPlugin {
  virtual HRESULT Supports(int32_t what, WordBool* result) = 0;  // slot 18
  virtual HRESULT GetValue(int32_t handle, BSTR valueName, int32_t valueContext, VARIANT* value,
                           WordBool* found, WordBool* result) = 0;
  virtual HRESULT GetValueNames(VARIANT* names) = 0;
};

// Not an extension of IPlugin: a configure plug-in answers IPlugin as well.
struct IConfigurePlugin : IDispatch {
  virtual HRESULT ConfigureAll() = 0;  // slot 7
  // Does nothing; present because the host's layout has it.
  virtual HRESULT ConfigureReserved(int32_t argument) = 0;
  virtual HRESULT Supports(int32_t what, WordBool* result) = 0;
};

struct IEntityUpdatePlugin : IBOPlugin {
  virtual HRESULT BeforeUpdate(WordBool* result) = 0;  // slot 18
  virtual HRESULT AfterUpdate() = 0;
  virtual HRESULT OnCancel() = 0;
  virtual HRESULT BeforeInsert(WordBool* result) = 0;
  virtual HRESULT AfterInsert() = 0;
  virtual HRESULT BeforeEdit(WordBool* result) = 0;
  virtual HRESULT AfterEdit() = 0;
  virtual HRESULT BeforeDelete(WordBool* result) = 0;
  virtual HRESULT AfterDelete() = 0;
  virtual HRESULT Supports(int32_t what, WordBool* result) = 0;
  virtual HRESULT BeforeReversal(int32_t AEmplId, BSTR AComment, BSTR AComment2,
                                 WordBool* result) = 0;
  virtual HRESULT AfterReversal(BSTR ANewDocSid) = 0;
  virtual HRESULT BeforeCopy(WordBool* result) = 0;
  virtual HRESULT AfterCopy() = 0;  // slot 31
};

struct IPrintPlugin : IBOPlugin {
  virtual HRESULT Get_PrintContext(IUnknown** value) = 0;  // slot 18
  virtual HRESULT Set_PrintContext(IUnknown* value) = 0;
  virtual HRESULT Supports(int32_t what, WordBool* result) = 0;
};

struct ISideButtonPlugin : IBOPlugin {
  virtual HRESULT Get_Caption(const char** value) = 0;  // slot 18
  virtual HRESULT Get_BitmapFile(const char** value) = 0;
  virtual HRESULT Get_ButtonEnabled(WordBool* value) = 0;
  // Two flags and a fourth text whose meaning is the host's; the plug-ins
  // answer True, False and an empty text.
  virtual HRESULT Get_TrueFlag(WordBool* value) = 0;
  virtual HRESULT Get_FalseFlag(WordBool* value) = 0;
  virtual HRESULT Get_Hint(const char** value) = 0;
  virtual HRESULT Get_FourthText(const char** value) = 0;
  virtual HRESULT Supports(int32_t what, WordBool* result) = 0;
  virtual HRESULT HandleBOUIEvent(int32_t ABOHandle, BSTR AEventType, const VARIANT* AParameters,
                                  VARIANT* AReturnValues, WordBool* AHandled, WordBool* result) = 0;
  virtual HRESULT Get_BOUIEvents(VARIANT* value) = 0;  // slot 27
};

// ---------------------------------------------------------------------------
// The host's XML print document (implemented by the host)
//
// The host hands the document about to print to the print plug-ins as their
// print context (an IUnknown that answers IXMLDOMDocument). Only the calls
// the plug-ins make are declared; an element list's items are nodes, asked
// for IXMLDOMElement to write an attribute.

struct IXMLDOMElement : IDispatch {
  virtual HRESULT setAttribute(BSTR name, const VARIANT* value) = 0;  // slot 7
};

struct IXMLDOMNodeList : IDispatch {
  virtual HRESULT get_length(int32_t* length) = 0;  // slot 7
  // Item `index` (from 0); null when the index is outside the list.
  virtual HRESULT get_item(int32_t index, IUnknown** node) = 0;
};

struct IXMLDOMDocument : IDispatch {
  // Every element named `tagName`, in document order.
  virtual HRESULT getElementsByTagName(BSTR tagName, IXMLDOMNodeList** list) = 0;  // slot 7
};

// ---------------------------------------------------------------------------
// The library's own interfaces

struct IPluginDiscover : IDispatch {
  // A one-dimensional array, bounds 1..8, of the plug-ins' class identifiers
  // in registry text form.
  virtual HRESULT GetPluginList(VARIANT* list) = 0;  // slot 7
  virtual HRESULT GetInterfaceVersion(int32_t* major, int32_t* minor, int32_t* release) = 0;
  virtual HRESULT GetVersionText(const char** text) = 0;
};

struct Ivk9ValuesServer : IDispatch {
  virtual HRESULT Get_Data(BSTR* value) = 0;  // slot 7
  virtual HRESULT Set_Data(BSTR value) = 0;
  virtual HRESULT SupportsValueContext(int32_t context, WordBool* result) = 0;
};

// ---------------------------------------------------------------------------
// The host's adapter (implemented by the host)
//
// Methods are numbered from 0 after the seven IUnknown and IDispatch slots
// (adapter method n sits in vtable slot 7 + n). The slots the plug-ins never
// call are placeholders that keep the numbering; a host answers E_NOTIMPL
// there. Business objects are named by handles; 0 is the document the current
// event concerns. A status of -1 (kAdapterSuccess) means success.

#define NORVANE_ADAPTER_PLACEHOLDER(n) virtual HRESULT Reserved##n() = 0

struct IPluginAdapter : IDispatch {
  NORVANE_ADAPTER_PLACEHOLDER(000);
  virtual HRESULT BOSetAttrValue(int32_t handle, BSTR attrName, const VARIANT* value,
                                 int32_t* status) = 0;                                // 1
  virtual HRESULT BOGetAttrValue(int32_t handle, BSTR attrName, VARIANT* value) = 0;  // 2
  NORVANE_ADAPTER_PLACEHOLDER(003);
  NORVANE_ADAPTER_PLACEHOLDER(004);
  NORVANE_ADAPTER_PLACEHOLDER(005);
  virtual HRESULT BOIsOpen(int32_t handle, int32_t* status) = 0;  // 6
  NORVANE_ADAPTER_PLACEHOLDER(007);
  NORVANE_ADAPTER_PLACEHOLDER(008);
  NORVANE_ADAPTER_PLACEHOLDER(009);
  NORVANE_ADAPTER_PLACEHOLDER(010);
  // Any non-zero answer counts as active.
  virtual HRESULT BOIsActive(int32_t handle, WordBool* active) = 0;  // 11
  NORVANE_ADAPTER_PLACEHOLDER(012);
  NORVANE_ADAPTER_PLACEHOLDER(013);
  NORVANE_ADAPTER_PLACEHOLDER(014);
  NORVANE_ADAPTER_PLACEHOLDER(015);
  NORVANE_ADAPTER_PLACEHOLDER(016);
  // Called with a newly created object and True; its meaning is the host's.
  virtual HRESULT BOOperation17(int32_t handle, WordBool flag, const VARIANT* argument,
                                int32_t* status) = 0;  // 17
  NORVANE_ADAPTER_PLACEHOLDER(018);
  NORVANE_ADAPTER_PLACEHOLDER(019);
  NORVANE_ADAPTER_PLACEHOLDER(020);
  NORVANE_ADAPTER_PLACEHOLDER(021);
  NORVANE_ADAPTER_PLACEHOLDER(022);
  NORVANE_ADAPTER_PLACEHOLDER(023);
  NORVANE_ADAPTER_PLACEHOLDER(024);
  NORVANE_ADAPTER_PLACEHOLDER(025);
  virtual HRESULT BOOpen(int32_t handle, int32_t* status) = 0;  // 26
  NORVANE_ADAPTER_PLACEHOLDER(027);
  virtual HRESULT BOClose(int32_t handle, int32_t* status) = 0;  // 28
  NORVANE_ADAPTER_PLACEHOLDER(029);
  virtual HRESULT BOEdit(int32_t handle, int32_t* status) = 0;    // 30
  virtual HRESULT BOInsert(int32_t handle, int32_t* status) = 0;  // 31
  NORVANE_ADAPTER_PLACEHOLDER(032);
  virtual HRESULT BOPost(int32_t handle, int32_t* status) = 0;  // 33
  NORVANE_ADAPTER_PLACEHOLDER(034);
  NORVANE_ADAPTER_PLACEHOLDER(035);
  NORVANE_ADAPTER_PLACEHOLDER(036);
  virtual HRESULT BOFirst(int32_t handle, int32_t* status) = 0;  // 37
  virtual HRESULT BONext(int32_t handle, int32_t* status) = 0;   // 38
  NORVANE_ADAPTER_PLACEHOLDER(039);
  NORVANE_ADAPTER_PLACEHOLDER(040);
  NORVANE_ADAPTER_PLACEHOLDER(041);
  NORVANE_ADAPTER_PLACEHOLDER(042);
  // True once the walk has passed the last record.
  virtual HRESULT BOEof(int32_t handle, WordBool* atEnd) = 0;  // 43
  NORVANE_ADAPTER_PLACEHOLDER(044);
  NORVANE_ADAPTER_PLACEHOLDER(045);
  NORVANE_ADAPTER_PLACEHOLDER(046);
  NORVANE_ADAPTER_PLACEHOLDER(047);
  NORVANE_ADAPTER_PLACEHOLDER(048);
  NORVANE_ADAPTER_PLACEHOLDER(049);
  NORVANE_ADAPTER_PLACEHOLDER(050);
  NORVANE_ADAPTER_PLACEHOLDER(051);
  NORVANE_ADAPTER_PLACEHOLDER(052);
  NORVANE_ADAPTER_PLACEHOLDER(053);
  NORVANE_ADAPTER_PLACEHOLDER(054);
  NORVANE_ADAPTER_PLACEHOLDER(055);
  NORVANE_ADAPTER_PLACEHOLDER(056);
  NORVANE_ADAPTER_PLACEHOLDER(057);
  NORVANE_ADAPTER_PLACEHOLDER(058);
  NORVANE_ADAPTER_PLACEHOLDER(059);
  NORVANE_ADAPTER_PLACEHOLDER(060);
  NORVANE_ADAPTER_PLACEHOLDER(061);
  NORVANE_ADAPTER_PLACEHOLDER(062);
  NORVANE_ADAPTER_PLACEHOLDER(063);
  NORVANE_ADAPTER_PLACEHOLDER(064);
  NORVANE_ADAPTER_PLACEHOLDER(065);
  virtual HRESULT BOCreate(int32_t kind, int32_t* handle, int32_t* status) = 0;  // 66
  NORVANE_ADAPTER_PLACEHOLDER(067);
  NORVANE_ADAPTER_PLACEHOLDER(068);
  NORVANE_ADAPTER_PLACEHOLDER(069);
  NORVANE_ADAPTER_PLACEHOLDER(070);
  NORVANE_ADAPTER_PLACEHOLDER(071);
  NORVANE_ADAPTER_PLACEHOLDER(072);
  NORVANE_ADAPTER_PLACEHOLDER(073);
  NORVANE_ADAPTER_PLACEHOLDER(074);
  NORVANE_ADAPTER_PLACEHOLDER(075);
  NORVANE_ADAPTER_PLACEHOLDER(076);
  NORVANE_ADAPTER_PLACEHOLDER(077);
  // The related object named by refName ("items", "Item Ref", "tenders",
  // "Items", "Tenders", "history", "SO").
  virtual HRESULT BOGetChild(int32_t handle, BSTR refName, int32_t* childHandle,
                             int32_t* status) = 0;  // 78
  virtual HRESULT GetPreference(int32_t number, int32_t subsidiary,
                                VARIANT* value) = 0;  // 79
  NORVANE_ADAPTER_PLACEHOLDER(080);
  NORVANE_ADAPTER_PLACEHOLDER(081);
  NORVANE_ADAPTER_PLACEHOLDER(082);
  // Includes the attribute in the next open.
  virtual HRESULT BOIncludeAttrForced(int32_t handle, BSTR attrName, WordBool forced,
                                      int32_t* status) = 0;  // 83
  NORVANE_ADAPTER_PLACEHOLDER(084);
  NORVANE_ADAPTER_PLACEHOLDER(085);
  NORVANE_ADAPTER_PLACEHOLDER(086);
  NORVANE_ADAPTER_PLACEHOLDER(087);
  NORVANE_ADAPTER_PLACEHOLDER(088);
  NORVANE_ADAPTER_PLACEHOLDER(089);
  NORVANE_ADAPTER_PLACEHOLDER(090);
  // Filters the object to records whose attribute equals the value; callers
  // pass (1, -1, -1) to set a filter and (0, -1, -1) or (0, 0, 0) with an
  // empty value to clear it.
  virtual HRESULT BOSetFilterAttr(int32_t handle, BSTR attrName, const VARIANT* value, int32_t mode,
                                  int32_t option1, int32_t option2,
                                  int32_t* status) = 0;  // 91
  NORVANE_ADAPTER_PLACEHOLDER(092);
  NORVANE_ADAPTER_PLACEHOLDER(093);
  NORVANE_ADAPTER_PLACEHOLDER(094);
  // Called on the sales-order history object; its meaning is the host's.
  virtual HRESULT BOOperation95(int32_t handle, const VARIANT* argument,
                                int32_t* status) = 0;  // 95
  NORVANE_ADAPTER_PLACEHOLDER(096);
  NORVANE_ADAPTER_PLACEHOLDER(097);
  NORVANE_ADAPTER_PLACEHOLDER(098);
  NORVANE_ADAPTER_PLACEHOLDER(099);
  NORVANE_ADAPTER_PLACEHOLDER(100);
  NORVANE_ADAPTER_PLACEHOLDER(101);
  NORVANE_ADAPTER_PLACEHOLDER(102);
  NORVANE_ADAPTER_PLACEHOLDER(103);
  NORVANE_ADAPTER_PLACEHOLDER(104);
  NORVANE_ADAPTER_PLACEHOLDER(105);
  NORVANE_ADAPTER_PLACEHOLDER(106);
  NORVANE_ADAPTER_PLACEHOLDER(107);
  NORVANE_ADAPTER_PLACEHOLDER(108);
  NORVANE_ADAPTER_PLACEHOLDER(109);
  NORVANE_ADAPTER_PLACEHOLDER(110);
  NORVANE_ADAPTER_PLACEHOLDER(111);
  NORVANE_ADAPTER_PLACEHOLDER(112);
  NORVANE_ADAPTER_PLACEHOLDER(113);
  NORVANE_ADAPTER_PLACEHOLDER(114);
  NORVANE_ADAPTER_PLACEHOLDER(115);
  NORVANE_ADAPTER_PLACEHOLDER(116);
  NORVANE_ADAPTER_PLACEHOLDER(117);
  NORVANE_ADAPTER_PLACEHOLDER(118);
  NORVANE_ADAPTER_PLACEHOLDER(119);
  NORVANE_ADAPTER_PLACEHOLDER(120);
  NORVANE_ADAPTER_PLACEHOLDER(121);
  virtual HRESULT GetLastErrorMessage(BSTR* text) = 0;   // 122
  virtual HRESULT GetLastErrorCode(int32_t* code) = 0;   // 123
  virtual HRESULT GetLastErrorFunction(BSTR* text) = 0;  // 124
  // Takes no argument; its meaning is the host's.
  virtual HRESULT Operation125(int32_t* status) = 0;  // 125
  virtual HRESULT BOReprint(int32_t handle, int32_t option, BSTR text,
                            int32_t* status) = 0;  // 126
};

#undef NORVANE_ADAPTER_PLACEHOLDER

// Vtable slot of adapter method n (after IUnknown's three and IDispatch's four).
constexpr int AdapterSlot(int methodNumber) {
  return 7 + methodNumber;
}
