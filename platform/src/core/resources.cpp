// Platform layer - string resources looked up by (module, id), and the
// resource manager that loads them from the current resource module.
#include <afxwin.h>

#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace {

struct StringTable {
  WORD language;
  std::map<UINT, std::wstring> strings;
};

struct Registry {
  std::mutex mutex;
  std::map<HINSTANCE, std::vector<StringTable>> modules;
};

Registry& Strings() {
  static Registry registry;
  return registry;
}

}  // namespace

void AfxRegisterStringTable(HINSTANCE module, WORD language,
                            const AFX_STRING_RESOURCE* table,
                            std::size_t count) {
  StringTable entry{language, {}};
  matrix::platform::WithFrameworkMemory([&] {
    for (std::size_t i = 0; i < count; ++i) {
      entry.strings[table[i].id] = table[i].text ? table[i].text : L"";
    }
    Registry& r = Strings();
    std::lock_guard<std::mutex> lock(r.mutex);
    r.modules[module].push_back(std::move(entry));
  });
}

void AfxUnregisterStringTable(HINSTANCE module) {
  Registry& r = Strings();
  std::lock_guard<std::mutex> lock(r.mutex);
  r.modules.erase(module);
}

BOOL AfxLoadStringResource(HINSTANCE module, UINT id, WORD language,
                           CString& text) {
  Registry& r = Strings();
  std::lock_guard<std::mutex> lock(r.mutex);
  auto m = r.modules.find(module);
  if (m != r.modules.end()) {
    for (const StringTable& table : m->second) {
      if (language != 0 && table.language != language) continue;
      auto s = table.strings.find(id);
      if (s != table.strings.end()) {
        text = s->second.c_str();
        return TRUE;
      }
    }
  }
  text.Empty();
  return FALSE;
}

BOOL CResourceManager::LoadString(CString& text, UINT id, WORD language,
                                  DWORD flags) {
  (void)flags;
  return AfxLoadStringResource(AfxGetResourceHandle(), id, language, text);
}

CResourceManager* CResourceManagerRef::operator->() const {
  static CResourceManager manager;
  return &manager;
}

CResourceManagerRef g_ResourceManager;
