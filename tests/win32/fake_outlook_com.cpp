#include "tests/win32/fake_outlook_com.h"

#include <oleauto.h>

#include <functional>
#include <string>
#include <utility>

namespace fake_outlook {

void PrintTo(const SeenCall& call, std::ostream* out) {
  *out << std::string(call.object.begin(), call.object.end()) << "."
       << std::string(call.member.begin(), call.member.end()) << " flags " << call.flags << " args "
       << call.args.size();
}

std::vector<SeenCall>& Calls() {
  static std::vector<SeenCall> calls;
  return calls;
}

// What a member does: fills `result`, or returns a failure status (with `exception` for
// DISP_E_EXCEPTION).
namespace {

using Member = std::function<HRESULT(const std::vector<Arg>& args, VARIANT* result, EXCEPINFO* exception)>;

int live_opaque_objects = 0;

// An object with members; an opaque one (no members) answers only IUnknown, so the automation layer
// cannot take it as an object, and is counted while it lives.
class FakeObject : public IDispatch {
 public:
  FakeObject(std::wstring name, std::vector<std::pair<std::wstring, Member>> members)
      : name_(std::move(name)), members_(std::move(members)) {}
  struct Opaque {};
  explicit FakeObject(Opaque) : opaque_(true) { ++live_opaque_objects; }
  virtual ~FakeObject() {
    if (opaque_) --live_opaque_objects;
  }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IUnknown || (iid == IID_IDispatch && !opaque_)) {
      *out = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
    if (count != 1) return E_INVALIDARG;
    for (size_t i = 0; i < members_.size(); ++i) {
      if (_wcsicmp(members_[i].first.c_str(), names[0]) == 0) {
        ids[0] = static_cast<DISPID>(i + 1);
        return S_OK;
      }
    }
    ids[0] = DISPID_UNKNOWN;
    return DISP_E_UNKNOWNNAME;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* parameters, VARIANT* result,
                                   EXCEPINFO* exception, UINT*) override {
    if (id < 1 || static_cast<size_t>(id) > members_.size()) return DISP_E_MEMBERNOTFOUND;
    std::vector<Arg> args;
    for (UINT i = parameters->cArgs; i-- > 0;) {  // the last argument comes first
      const VARIANT& arg = parameters->rgvarg[i];
      if (arg.vt == VT_BSTR) {
        args.emplace_back(std::wstring(arg.bstrVal, SysStringLen(arg.bstrVal)));
      } else if (arg.vt == VT_I4) {
        args.emplace_back(static_cast<int>(arg.lVal));
      } else {
        return DISP_E_TYPEMISMATCH;
      }
    }
    const auto& [member, action] = members_[static_cast<size_t>(id - 1)];
    Calls().push_back(SeenCall{name_, member, flags, args});
    return action(args, result, exception);
  }

 private:
  ULONG references_ = 1;
  bool opaque_ = false;
  std::wstring name_;
  std::vector<std::pair<std::wstring, Member>> members_;
};

HRESULT Text(VARIANT* result, const wchar_t* text) {
  result->vt = VT_BSTR;
  result->bstrVal = SysAllocString(text);
  return S_OK;
}

HRESULT Number(VARIANT* result, int number) {
  result->vt = VT_I4;
  result->lVal = number;
  return S_OK;
}

HRESULT Object(VARIANT* result, IDispatch* object) {  // takes over the reference
  result->vt = VT_DISPATCH;
  result->pdispVal = object;
  return S_OK;
}

HRESULT Raise(EXCEPINFO* exception, const wchar_t* description, HRESULT code) {
  exception->wCode = 0;
  exception->scode = code;
  exception->bstrSource = SysAllocString(L"Test.Outlook");
  exception->bstrDescription = description == nullptr ? nullptr : SysAllocString(description);
  return DISP_E_EXCEPTION;
}

IDispatch* Entry(int i) {
  const wchar_t* name = i == 1 ? L"  Иванов Иван Петрович " : L"Petrov";
  const wchar_t* address = i == 1 ? L"/o=EFL/ou=Site/cn=Recipients/cn=ivanov" : L"/o=EFL/cn=petrov";
  return new FakeObject(L"Entry", {{L"Name", [=](auto&, VARIANT* r, EXCEPINFO*) { return Text(r, name); }},
                                   {L"Address", [=](auto&, VARIANT* r, EXCEPINFO*) { return Text(r, address); }}});
}

IDispatch* Collection(int count) {
  return new FakeObject(L"Collection", {{L"Count", [=](auto&, VARIANT* r, EXCEPINFO*) { return Number(r, count); }}});
}

IDispatch* Item() {
  return new FakeObject(
      L"Item", {{L"LastName", [](auto&, VARIANT* r, EXCEPINFO*) { return Text(r, L"Петрова"); }},
                {L"FirstName", [](auto&, VARIANT* r, EXCEPINFO*) { return Text(r, L"Мария Сергеевна"); }},
                {L"BusinessTelephoneNumber", [](auto&, VARIANT* r, EXCEPINFO*) { return Text(r, L"123-45-67, 89"); }}});
}

IDispatch* AddressList() {
  return new FakeObject(L"AddressList", {{L"AddressEntries", [](const std::vector<Arg>& args, VARIANT* r, EXCEPINFO*) {
                                            if (args.empty()) return Object(r, Collection(2));
                                            return Object(r, Entry(std::get<int>(args[0])));
                                          }}});
}

IDispatch* ContactsFolder() {
  return new FakeObject(L"Folder", {{L"Items", [](const std::vector<Arg>& args, VARIANT* r, EXCEPINFO*) {
                                       if (args.empty()) return Object(r, Collection(1));
                                       return Object(r, Item());
                                     }}});
}

IDispatch* Namespace() {
  return new FakeObject(L"Namespace",
                        {{L"AddressLists",
                          [](const std::vector<Arg>& args, VARIANT* r, EXCEPINFO* e) {
                            if (std::get<std::wstring>(args[0]) != L"Глобальный список адресов") {
                              return Raise(e, L"Список адресов не найден. . ", E_FAIL);
                            }
                            return Object(r, AddressList());
                          }},
                         {L"GetDefaultFolder", [](const std::vector<Arg>& args, VARIANT* r, EXCEPINFO* e) {
                            if (std::get<int>(args[0]) != 10)
                              return Raise(e, nullptr, static_cast<HRESULT>(0x80041234));
                            return Object(r, ContactsFolder());
                          }}});
}

}  // namespace

int LiveOpaqueObjects() { return live_opaque_objects; }

IDispatch* NewApplication() {
  return new FakeObject(
      L"Application",
      {{L"GetNameSpace", [](auto&, VARIANT* r, EXCEPINFO*) { return Object(r, Namespace()); }},
       {L"Join",
        [](const std::vector<Arg>& args, VARIANT* r, EXCEPINFO*) {
          return Text(r, (std::get<std::wstring>(args[0]) + L"|" + std::to_wstring(std::get<int>(args[1]))).c_str());
        }},
       {L"Nothing",
        [](auto&, VARIANT* r, EXCEPINFO*) {
          r->vt = VT_EMPTY;
          return S_OK;
        }},
       {L"Flag",
        [](auto&, VARIANT* r, EXCEPINFO*) {
          r->vt = VT_BOOL;
          r->boolVal = VARIANT_TRUE;
          return S_OK;
        }},
       {L"Busy", [](auto&, VARIANT*, EXCEPINFO*) { return static_cast<HRESULT>(0x80041235); }},
       {L"Opaque", [](auto&, VARIANT* r, EXCEPINFO*) {
          r->vt = VT_UNKNOWN;
          r->punkVal = new FakeObject(FakeObject::Opaque{});
          return S_OK;
        }}});
}

HRESULT STDMETHODCALLTYPE Factory::QueryInterface(REFIID iid, void** out) {
  if (iid == IID_IUnknown || iid == IID_IClassFactory) {
    *out = static_cast<IClassFactory*>(this);
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

HRESULT STDMETHODCALLTYPE Factory::CreateInstance(IUnknown* outer, REFIID iid, void** out) {
  if (outer != nullptr) return CLASS_E_NOAGGREGATION;
  ++created;
  IDispatch* application = NewApplication();
  HRESULT status = application->QueryInterface(iid, out);
  application->Release();
  return status;
}

}  // namespace fake_outlook
