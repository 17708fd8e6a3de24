#pragma once

#include <oaidl.h>
#include <objbase.h>
#include <windows.h>

#include <ostream>
#include <string>
#include <variant>
#include <vector>

// A stand-in for Outlook's automation objects on COM, for the automation tests and for the window
// smoke test (as the in-process server fake_outlook.dll). It answers the calls of the mail directory
// export with a fixed directory and records every call as it arrived:
//   Application.GetNameSpace("MAPI"), .Join(text, number), .Nothing, .Flag, .Busy (fails),
//              .Opaque (an object that has no IDispatch, counted by LiveOpaqueObjects)
//   Namespace.AddressLists("Глобальный список адресов") (another name fails with a description),
//            .GetDefaultFolder(10) (another number fails without one)
//   AddressList.AddressEntries -> collection of 2 / AddressEntries(i) -> entry i (Name, Address)
//   Folder.Items -> collection of 1 / Items(j) -> item (LastName, FirstName, BusinessTelephoneNumber)
namespace fake_outlook {

using Arg = std::variant<std::wstring, int>;

// One call as the object saw it: the object, the member, the invocation flags and the arguments in
// the caller's order.
struct SeenCall {
  std::wstring object;
  std::wstring member;
  WORD flags;
  std::vector<Arg> args;
  bool operator==(const SeenCall&) const = default;
};
void PrintTo(const SeenCall& call, std::ostream* out);

// The calls seen so far, in this process.
std::vector<SeenCall>& Calls();

// How many objects that Application.Opaque handed out are still referenced.
int LiveOpaqueObjects();

// A new application object, with one reference for the caller.
IDispatch* NewApplication();

// The class factory of the application object; a static object that is never freed.
class Factory : public IClassFactory {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override;
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
  int created = 0;
};

// {6F1D3C52-8E0A-4B7F-9C1E-2D5A7B3E9F41}: the class of the stand-in; used only by the tests.
inline constexpr CLSID kClassId = {0x6f1d3c52, 0x8e0a, 0x4b7f, {0x9c, 0x1e, 0x2d, 0x5a, 0x7b, 0x3e, 0x9f, 0x41}};

}  // namespace fake_outlook
