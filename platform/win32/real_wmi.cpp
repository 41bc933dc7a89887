#include "platform/win32/real_wmi.hpp"

#include "platform/win32/windows.hpp"

#include <objbase.h>
#include <oleauto.h>
#include <wbemcli.h>

namespace qz {
namespace {

template <typename T>
T* As(Handle h) {
  return reinterpret_cast<T*>(static_cast<std::uintptr_t>(h));
}
Handle From(void* p) { return static_cast<Handle>(reinterpret_cast<std::uintptr_t>(p)); }

// An ANSI text as a BSTR that frees itself.
class Bstr {
 public:
  explicit Bstr(const std::string& text) {
    const int n = ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n > 0 ? n : 1), L'\0');
    if (n > 0) ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), n);
    value_ = ::SysAllocString(wide.c_str());
  }
  ~Bstr() { ::SysFreeString(value_); }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  BSTR get() const { return value_; }

 private:
  BSTR value_ = nullptr;
};

std::string Narrow(const wchar_t* wide) {
  if (!wide) return {};
  const int n = ::WideCharToMultiByte(CP_ACP, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  if (n <= 1) return {};
  std::string text(static_cast<std::size_t>(n), '\0');
  ::WideCharToMultiByte(CP_ACP, 0, wide, -1, text.data(), n, nullptr, nullptr);
  text.resize(static_cast<std::size_t>(n - 1));
  return text;
}

// The usual variant-to-text conversion; false when the value has none.
bool Text(VARIANT& v, std::string& text) {
  if (V_VT(&v) == VT_EMPTY || V_VT(&v) == VT_NULL) return false;
  VARIANT s;
  ::VariantInit(&s);
  if (FAILED(::VariantChangeType(&s, &v, 0, VT_BSTR))) return false;
  text = Narrow(V_BSTR(&s));
  ::VariantClear(&s);
  return true;
}

}  // namespace

std::int32_t RealWmi::CoInitialize() { return ::CoInitialize(nullptr); }
void RealWmi::CoUninitialize() { ::CoUninitialize(); }

std::int32_t RealWmi::CoInitializeSecurity(std::uint32_t authnLevel, std::uint32_t impLevel,
                                           std::uint32_t capabilities) {
  return ::CoInitializeSecurity(nullptr, -1, nullptr, nullptr, authnLevel, impLevel, nullptr,
                                capabilities, nullptr);
}

std::int32_t RealWmi::CreateLocator(Handle& locator) {
  IWbemLocator* l = nullptr;
  const HRESULT r = ::CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER,
                                       IID_IWbemLocator, reinterpret_cast<void**>(&l));
  if (SUCCEEDED(r)) locator = From(l);
  return r;
}

std::int32_t RealWmi::ConnectServer(Handle locator, const std::string& nameSpace,
                                    std::int32_t flags, Handle& services) {
  IWbemServices* s = nullptr;
  Bstr ns(nameSpace);
  const HRESULT r = As<IWbemLocator>(locator)->ConnectServer(ns.get(), nullptr, nullptr, nullptr,
                                                             flags, nullptr, nullptr, &s);
  if (SUCCEEDED(r)) services = From(s);
  return r;
}

std::int32_t RealWmi::SetProxyBlanket(Handle services, std::uint32_t authn, std::uint32_t authz,
                                      std::uint32_t authnLevel, std::uint32_t impLevel,
                                      std::uint32_t capabilities) {
  return ::CoSetProxyBlanket(As<IUnknown>(services), authn, authz, nullptr, authnLevel, impLevel,
                             nullptr, capabilities);
}

std::int32_t RealWmi::ExecQuery(Handle services, const std::string& language,
                                const std::string& query, std::int32_t flags, Handle& enumerator) {
  IEnumWbemClassObject* e = nullptr;
  Bstr lang(language), text(query);
  const HRESULT r =
      As<IWbemServices>(services)->ExecQuery(lang.get(), text.get(), flags, nullptr, &e);
  if (SUCCEEDED(r)) enumerator = From(e);
  return r;
}

std::int32_t RealWmi::Next(Handle enumerator, std::int32_t timeout, Handle& object,
                           std::uint32_t& returned) {
  IWbemClassObject* o = nullptr;
  ULONG got = 0;
  const HRESULT r = As<IEnumWbemClassObject>(enumerator)->Next(timeout, 1, &o, &got);
  returned = got;
  if (got == 1) object = From(o);
  return r;
}

std::int32_t RealWmi::GetNames(Handle object, std::int32_t flags, std::vector<std::string>& names) {
  SAFEARRAY* array = nullptr;
  const HRESULT r = As<IWbemClassObject>(object)->GetNames(nullptr, flags, nullptr, &array);
  if (FAILED(r) || !array) return r;
  LONG low = 0, high = -1;
  ::SafeArrayGetLBound(array, 1, &low);
  ::SafeArrayGetUBound(array, 1, &high);
  names.clear();
  for (LONG i = low; i <= high; ++i) {
    BSTR name = nullptr;
    if (SUCCEEDED(::SafeArrayGetElement(array, &i, &name))) {
      names.push_back(Narrow(name));
      ::SysFreeString(name);
    }
  }
  ::SafeArrayDestroy(array);
  return r;
}

std::int32_t RealWmi::Get(Handle object, const std::string& name, WmiValue& value) {
  const int n = ::MultiByteToWideChar(CP_ACP, 0, name.c_str(), -1, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(n > 0 ? n : 1), L'\0');
  if (n > 0) ::MultiByteToWideChar(CP_ACP, 0, name.c_str(), -1, wide.data(), n);
  VARIANT v;
  ::VariantInit(&v);
  const HRESULT r = As<IWbemClassObject>(object)->Get(wide.c_str(), 0, &v, nullptr, nullptr);
  if (FAILED(r)) return r;
  value = WmiValue{};
  if (V_VT(&v) & VT_ARRAY) {
    value.isArray = true;
    SAFEARRAY* array = V_ARRAY(&v);
    const VARTYPE element = static_cast<VARTYPE>(V_VT(&v) & ~VT_ARRAY);
    LONG low = 0, high = -1;
    ::SafeArrayGetLBound(array, 1, &low);
    ::SafeArrayGetUBound(array, 1, &high);
    for (LONG i = low; i <= high; ++i) {
      VARIANT item;
      ::VariantInit(&item);
      // Elements of a BSTR or VARIANT array arrive whole; other kinds as their raw value.
      if (element == VT_VARIANT) {
        if (FAILED(::SafeArrayGetElement(array, &i, &item))) continue;
      } else {
        V_VT(&item) = element;
        if (FAILED(::SafeArrayGetElement(array, &i, &V_UI1(&item)))) continue;
      }
      std::string text;
      value.items.push_back(Text(item, text) ? text : std::string());
      ::VariantClear(&item);
    }
  } else {
    std::string text;
    if (Text(v, text)) value.items.push_back(text);
  }
  ::VariantClear(&v);
  return r;
}

void RealWmi::Release(Handle object) {
  if (object != kNullHandle) As<IUnknown>(object)->Release();
}

}  // namespace qz
