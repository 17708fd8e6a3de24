// fake_outlook.dll: the Outlook stand-in of fake_outlook_com.h as an in-process COM server, for the
// window smoke test under Wine. `regsvr32 fake_outlook.dll` registers it as "Outlook.Application" in
// the (test-only) Wine prefix, so that the program reaches it exactly as it reaches Outlook.
#include <objbase.h>
#include <windows.h>

#include <string>

#include "tests/win32/fake_outlook_com.h"

namespace {

HMODULE module_handle = nullptr;
fake_outlook::Factory factory;

constexpr wchar_t kProgId[] = L"Outlook.Application";

std::wstring ClassKey() {
  wchar_t clsid[64];
  StringFromGUID2(fake_outlook::kClassId, clsid, 64);
  return std::wstring(L"CLSID\\") + clsid;
}

LSTATUS SetText(const std::wstring& key, const wchar_t* name, const std::wstring& value) {
  return RegSetKeyValueW(HKEY_CLASSES_ROOT, key.c_str(), name, REG_SZ, value.c_str(),
                         static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) module_handle = instance;
  return TRUE;
}

STDAPI DllGetClassObject(REFCLSID class_id, REFIID iid, LPVOID* out) {
  if (class_id != fake_outlook::kClassId) return CLASS_E_CLASSNOTAVAILABLE;
  return factory.QueryInterface(iid, out);
}

STDAPI DllCanUnloadNow() { return S_FALSE; }

STDAPI DllRegisterServer() {
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(module_handle, path, MAX_PATH);
  wchar_t clsid[64];
  StringFromGUID2(fake_outlook::kClassId, clsid, 64);
  const std::wstring server = ClassKey() + L"\\InprocServer32";
  if (SetText(std::wstring(kProgId) + L"\\CLSID", L"", clsid) != ERROR_SUCCESS ||
      SetText(server, L"", path) != ERROR_SUCCESS ||
      SetText(server, L"ThreadingModel", L"Apartment") != ERROR_SUCCESS) {
    return E_FAIL;
  }
  return S_OK;
}

STDAPI DllUnregisterServer() {
  RegDeleteTreeW(HKEY_CLASSES_ROOT, kProgId);
  RegDeleteTreeW(HKEY_CLASSES_ROOT, ClassKey().c_str());
  return S_OK;
}
