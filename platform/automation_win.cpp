#include <oaidl.h>
#include <objbase.h>
#include <oleauto.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/automation.h"

namespace platform {

namespace {

// The system's description of a status code, or nothing when it has none (the layer then names the
// code as "OLE error %.8x").
common::Text SystemDescription(HRESULT status) {
  wchar_t* buffer = nullptr;
  DWORD length =
      FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, static_cast<DWORD>(status), 0, reinterpret_cast<LPWSTR>(&buffer), 0, nullptr);
  common::Text text;
  if (length != 0 && buffer != nullptr) text.assign(reinterpret_cast<const char16_t*>(buffer), length);
  if (buffer != nullptr) LocalFree(buffer);
  return text;
}

common::Text FromBstr(BSTR text) {
  return text == nullptr ? common::Text() : common::Text(reinterpret_cast<const char16_t*>(text), SysStringLen(text));
}

struct Releaser {
  void operator()(IUnknown* object) const { object->Release(); }
};

// One VARIANT whose contents (a string, an object reference) are freed on every way out of scope.
class HeldVariant {
 public:
  HeldVariant() { VariantInit(&value_); }
  ~HeldVariant() { VariantClear(&value_); }
  HeldVariant(const HeldVariant&) = delete;
  HeldVariant& operator=(const HeldVariant&) = delete;
  VARIANT* get() { return &value_; }
  VARIANT& operator*() { return value_; }

 private:
  VARIANT value_;
};

// Holds the argument variants of one call and frees their strings.
class Arguments {
 public:
  // IDispatch takes the arguments last to first.
  explicit Arguments(std::span<const AutomationArgument> arguments) : variants_(arguments.size()) {
    for (size_t i = 0; i < arguments.size(); ++i) {
      VARIANT& slot = variants_[arguments.size() - 1 - i];
      VariantInit(&slot);
      if (const auto* text = std::get_if<common::Text>(&arguments[i])) {
        slot.vt = VT_BSTR;
        slot.bstrVal =
            SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text->data()), static_cast<UINT>(text->size()));
      } else {
        slot.vt = VT_I4;
        slot.lVal = std::get<int32_t>(arguments[i]);
      }
    }
  }
  ~Arguments() {
    for (VARIANT& slot : variants_) VariantClear(&slot);
  }
  Arguments(const Arguments&) = delete;
  Arguments& operator=(const Arguments&) = delete;

  DISPPARAMS Parameters() {
    DISPPARAMS parameters{};
    parameters.rgvarg = variants_.empty() ? nullptr : variants_.data();
    parameters.cArgs = static_cast<UINT>(variants_.size());
    return parameters;
  }

 private:
  std::vector<VARIANT> variants_;
};

// The failure of an Invoke: the object's own description from EXCEPINFO when it raised one, else
// the system's text for the status.
common::Error InvokeFailure(HRESULT status, EXCEPINFO& exception) {
  if (status == DISP_E_EXCEPTION) {
    if (exception.pfnDeferredFillIn != nullptr) exception.pfnDeferredFillIn(&exception);
    common::Text description = FromBstr(exception.bstrDescription);
    HRESULT code = exception.scode != 0 ? exception.scode : static_cast<HRESULT>(exception.wCode);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
    if (common::Trim(description).empty()) description = SystemDescription(code);
    return MemberCallFailed(description, static_cast<uint32_t>(code));
  }
  return MemberCallFailed(SystemDescription(status), static_cast<uint32_t>(status));
}

class ComObject : public AutomationObject {
 public:
  explicit ComObject(IDispatch* dispatch) : dispatch_(dispatch) {}  // takes over one reference

  AutomationValue Invoke(common::TextView name, Invocation invocation,
                         std::span<const AutomationArgument> arguments) override {
    std::wstring member(name.begin(), name.end());
    LPOLESTR names[] = {member.data()};
    DISPID id = 0;
    if (FAILED(dispatch_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id))) throw MemberNotSupported(name);

    Arguments held(arguments);
    DISPPARAMS parameters = held.Parameters();
    HeldVariant result;
    EXCEPINFO exception{};
    UINT bad_argument = 0;
    HRESULT status = dispatch_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, static_cast<WORD>(invocation), &parameters,
                                       result.get(), &exception, &bad_argument);
    if (FAILED(status)) throw InvokeFailure(status, exception);
    return Convert(*result);
  }

 private:
  static AutomationValue Convert(VARIANT& result) {
    switch (result.vt) {
      case VT_EMPTY:
      case VT_NULL:
        return {};
      case VT_BSTR:
        return AutomationValue(FromBstr(result.bstrVal));
      case VT_DISPATCH:
      case VT_UNKNOWN: {
        if (result.punkVal == nullptr) return {};
        IDispatch* dispatch = nullptr;
        if (FAILED(result.punkVal->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch)))) {
          throw common::Error(u"Type mismatch");
        }
        return AutomationValue(AutomationRef(std::make_shared<ComObject>(dispatch)));
      }
      case VT_I1:
      case VT_I2:
      case VT_I4:
      case VT_I8:
      case VT_UI1:
      case VT_UI2:
      case VT_UI4:
      case VT_UI8:
      case VT_INT:
      case VT_UINT:
      case VT_BOOL: {
        // Integers of every width (Count is a long) become a 32-bit integer.
        HeldVariant converted;
        if (FAILED(VariantChangeType(converted.get(), &result, 0, VT_I4))) throw common::Error(u"Type mismatch");
        return AutomationValue(static_cast<int32_t>((*converted).lVal));
      }
      default:
        break;
    }
    // Anything else (dates, currency, doubles) is read as the system formats it as text.
    HeldVariant converted;
    if (FAILED(VariantChangeType(converted.get(), &result, 0, VT_BSTR))) throw common::Error(u"Type mismatch");
    return AutomationValue(FromBstr((*converted).bstrVal));
  }

  std::unique_ptr<IDispatch, Releaser> dispatch_;
};

}  // namespace

// The class the system registers for the identifier, created in-process or as a local server (Outlook runs as
// one), asked for its dispatch interface. COM must be initialised on the calling thread.
AutomationRef CreateAutomationObject(common::TextView prog_id) {
  std::wstring id(prog_id.begin(), prog_id.end());
  CLSID class_id{};
  HRESULT status = CLSIDFromProgID(id.c_str(), &class_id);
  if (FAILED(status)) throw CreationFailed(SystemDescription(status), static_cast<uint32_t>(status), prog_id);
  IDispatch* dispatch = nullptr;
  status = CoCreateInstance(class_id, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IDispatch,
                            reinterpret_cast<void**>(&dispatch));
  if (FAILED(status)) throw CreationFailed(SystemDescription(status), static_cast<uint32_t>(status), prog_id);
  return std::make_shared<ComObject>(dispatch);
}

}  // namespace platform
