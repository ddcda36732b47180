#include "platform/ui/resources.h"

#include <dlfcn.h>
#include <link.h>

#include <algorithm>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/devmgr/library.h"
#include "platform/kernel/guard.h"
#include "platform/ui/user_objects.h"

namespace qms::ui {
namespace {

class Module final : public UserObject {
public:
    explicit Module(std::uintptr_t b) : base(b) {}
    const std::uintptr_t base;
};

struct Table {
    const QMS_RESOURCE *rows;
    std::size_t count;
};

struct ModuleRecord {
    HMODULE handle = nullptr;
    std::vector<Table> tables;
};

struct ModuleList {
    std::mutex lock;
    std::map<std::uintptr_t, ModuleRecord> modules;
};

ModuleList &moduleList()
{
    static auto *list = new ModuleList;
    return *list;
}

// The start of the mapping that holds `address`: what the loader reports as the object's base.
std::uintptr_t baseOfAddress(const void *address)
{
    Dl_info info{};
    if (!address || !dladdr(address, &info) || !info.dli_fbase)
        return 0;
    return reinterpret_cast<std::uintptr_t>(info.dli_fbase);
}

// A loaded object by a predicate on its file name; its base, or 0.
template <class Match>
std::uintptr_t findLoaded(Match match)
{
    struct Search {
        Match *match;
        const void *address = nullptr;
    } search{&match};
    dl_iterate_phdr(
        [](dl_phdr_info *info, std::size_t, void *data) -> int {
            auto *s = static_cast<Search *>(data);
            if (!(*s->match)(std::string_view(info->dlpi_name ? info->dlpi_name : "")))
                return 0;
            for (int i = 0; i < info->dlpi_phnum; ++i) {
                if (info->dlpi_phdr[i].p_type == PT_LOAD) {
                    s->address =
                        reinterpret_cast<const void *>(info->dlpi_addr + info->dlpi_phdr[i].p_vaddr);
                    return 1;
                }
            }
            return 0;
        },
        &search);
    return baseOfAddress(search.address);
}

// The handle of a module by its base, made on first use. Caller holds the list's lock.
HMODULE handleForBase(ModuleList &list, std::uintptr_t base)
{
    ModuleRecord &record = list.modules[base];
    if (!record.handle) {
        const std::uint32_t token = insertUserObject(std::make_shared<Module>(base));
        record.handle = token ? handleFromToken<HMODULE>(token) : nullptr;
    }
    return record.handle;
}

HMODULE handleForBase(std::uintptr_t base)
{
    ModuleList &list = moduleList();
    std::lock_guard lock(list.lock);
    return handleForBase(list, base);
}

std::uintptr_t programBase()
{
    static const std::uintptr_t base = findLoaded([first = true](std::string_view) mutable {
        // The program is always the first object the loader reports.
        const bool isFirst = first;
        first = false;
        return isFirst;
    });
    return base;
}

std::string baseName(std::string_view path)
{
    const auto slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

// "Qms6093.dll" -> "libqms6093.so"; a Linux file name stays as it is.
std::string moduleFileName(std::u16string_view name)
{
    std::string plain;
    for (char16_t c : name) {
        if (c > 0x7F)
            return {};
        plain += static_cast<char>(c);
    }
    const std::string base = baseName(plain);
    if (base.ends_with(".so") || base.find(".so.") != std::string::npos)
        return base;
    return devmgr::libraryFileName(name);
}

enum class Lookup { Found, NoType, NoName };

struct ResourceName {
    bool isId = false;
    WORD id = 0;
    std::u16string name;
};

char16_t folded(char16_t c)
{
    return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c;
}

bool sameName(std::u16string_view a, const WCHAR *b)
{
    if (!b)
        return false;
    std::u16string_view other(b);
    return a.size() == other.size() &&
           std::equal(a.begin(), a.end(), other.begin(),
                      [](char16_t x, char16_t y) { return folded(x) == folded(y); });
}

// An integer name, "#123", or a string name.
bool parseName(LPCWSTR value, ResourceName &out)
{
    if (IS_INTRESOURCE(value)) {
        out.isId = true;
        out.id = static_cast<WORD>(reinterpret_cast<ULONG_PTR>(value));
        return out.id != 0;
    }
    std::u16string_view text(value);
    if (!text.empty() && text[0] == u'#') {
        unsigned number = 0;
        if (text.size() < 2 || text.size() > 6)
            return false;
        for (char16_t c : text.substr(1)) {
            if (c < u'0' || c > u'9')
                return false;
            number = number * 10 + (c - u'0');
        }
        if (number == 0 || number > 0xFFFF)
            return false;
        out.isId = true;
        out.id = static_cast<WORD>(number);
        return true;
    }
    out.name = text;
    return !text.empty();
}

bool nameMatches(const QMS_RESOURCE &row, const ResourceName &name)
{
    return name.isId ? (!row.name && row.id == name.id) : sameName(name.name, row.name);
}

const QMS_RESOURCE *findIn(const ModuleRecord &record, WORD type, const ResourceName &name,
                           WORD language, bool anyLanguage, Lookup &result)
{
    result = Lookup::NoType;
    for (const Table &table : record.tables) {
        for (std::size_t i = 0; i < table.count; ++i) {
            const QMS_RESOURCE &row = table.rows[i];
            if (row.type != type)
                continue;
            if (result == Lookup::NoType)
                result = Lookup::NoName;
            if (nameMatches(row, name) && (anyLanguage || row.language == language)) {
                result = Lookup::Found;
                return &row;
            }
        }
    }
    return nullptr;
}

bool owns(const ModuleRecord &record, const void *row)
{
    return std::any_of(record.tables.begin(), record.tables.end(), [row](const Table &t) {
        return row >= static_cast<const void *>(t.rows) &&
               row < static_cast<const void *>(t.rows + t.count);
    });
}

HRSRC findResource(HMODULE hModule, LPCWSTR lpType, LPCWSTR lpName, WORD language,
                   bool anyLanguage)
{
    std::uintptr_t base = 0;
    if (!moduleBase(hModule, base))
        return nullptr;
    ResourceName type, name;
    if (!lpType || !parseName(lpType, type) || !type.isId) {
        SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
        return nullptr;
    }
    if (!lpName || !parseName(lpName, name)) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    ModuleList &list = moduleList();
    std::lock_guard lock(list.lock);
    const auto it = list.modules.find(base);
    Lookup result = Lookup::NoType;
    const QMS_RESOURCE *row =
        it == list.modules.end() ? nullptr
                                 : findIn(it->second, type.id, name, language, anyLanguage, result);
    if (!row) {
        SetLastError(result == Lookup::NoType ? ERROR_RESOURCE_TYPE_NOT_FOUND
                                              : ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    return reinterpret_cast<HRSRC>(const_cast<QMS_RESOURCE *>(row));
}

// The row a resource handle names, checked against the module's tables.
const QMS_RESOURCE *resourceRow(HMODULE hModule, HRSRC hResInfo)
{
    std::uintptr_t base = 0;
    if (!moduleBase(hModule, base))
        return nullptr;
    ModuleList &list = moduleList();
    std::lock_guard lock(list.lock);
    const auto it = list.modules.find(base);
    if (!hResInfo || it == list.modules.end() || !owns(it->second, hResInfo)) {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return nullptr;
    }
    return reinterpret_cast<const QMS_RESOURCE *>(hResInfo);
}

} // namespace

HMODULE programModule()
{
    return handleForBase(programBase());
}

bool moduleBase(HMODULE module, std::uintptr_t &base)
{
    if (!module) {
        base = programBase();
        return true;
    }
    const std::shared_ptr<Module> m = findUser<Module>(module);
    if (!m) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    base = m->base;
    return true;
}

bool resourceExtent(const void *data, std::size_t &size)
{
    ModuleList &list = moduleList();
    std::lock_guard lock(list.lock);
    for (const auto &[base, record] : list.modules) {
        for (const Table &table : record.tables) {
            for (std::size_t i = 0; i < table.count; ++i) {
                if (table.rows[i].data == data) {
                    size = table.rows[i].size;
                    return true;
                }
            }
        }
    }
    return false;
}

} // namespace qms::ui

using namespace qms::ui;

extern "C" {

void qms_ui_register_resources(const QMS_RESOURCE *table, size_t count)
{
    qms::kernel::guarded([&] {
        if (!table || count == 0)
            return;
        const std::uintptr_t base = baseOfAddress(table);
        ModuleList &list = moduleList();
        std::lock_guard lock(list.lock);
        list.modules[base].tables.push_back(Table{table, count});
    });
}

void qms_ui_unregister_resources(const QMS_RESOURCE *table)
{
    qms::kernel::guarded([&] {
        ModuleList &list = moduleList();
        std::lock_guard lock(list.lock);
        for (auto &[base, record] : list.modules)
            std::erase_if(record.tables, [table](const Table &t) { return t.rows == table; });
    });
}

HMODULE GetModuleHandleW(LPCWSTR lpModuleName)
{
    return qms::kernel::guarded(HMODULE{}, [&]() -> HMODULE {
        if (!lpModuleName)
            return programModule();
        const std::string file = moduleFileName(lpModuleName);
        const std::uintptr_t base =
            file.empty() ? 0 : findLoaded([&file](std::string_view path) {
                const std::string name = baseName(path);
                return name == file || name.starts_with(file + ".");
            });
        if (!base) {
            SetLastError(ERROR_MOD_NOT_FOUND);
            return nullptr;
        }
        return handleForBase(base);
    });
}

BOOL GetModuleHandleExW(DWORD dwFlags, LPCWSTR lpModuleName, HMODULE *phModule)
{
    return qms::kernel::guarded(FALSE, [&]() -> BOOL {
        if (!phModule) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        *phModule = nullptr;
        if (dwFlags & GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS) {
            const std::uintptr_t base = baseOfAddress(lpModuleName);
            if (!base) {
                SetLastError(ERROR_MOD_NOT_FOUND);
                return FALSE;
            }
            *phModule = handleForBase(base);
        } else {
            *phModule = GetModuleHandleW(lpModuleName);
        }
        return *phModule != nullptr;
    });
}

HRSRC FindResourceW(HMODULE hModule, LPCWSTR lpName, LPCWSTR lpType)
{
    return qms::kernel::guarded(HRSRC{}, [&] { return findResource(hModule, lpType, lpName, 0, true); });
}

HRSRC FindResourceExW(HMODULE hModule, LPCWSTR lpType, LPCWSTR lpName, WORD wLanguage)
{
    return qms::kernel::guarded(HRSRC{}, [&] {
        // Language 0 is the neutral language: any will do.
        return findResource(hModule, lpType, lpName, wLanguage, wLanguage == 0);
    });
}

HGLOBAL LoadResource(HMODULE hModule, HRSRC hResInfo)
{
    return qms::kernel::guarded(HGLOBAL{}, [&]() -> HGLOBAL {
        const QMS_RESOURCE *row = resourceRow(hModule, hResInfo);
        return row ? const_cast<void *>(row->data) : nullptr;
    });
}

LPVOID LockResource(HGLOBAL hResData)
{
    return hResData;
}

DWORD SizeofResource(HMODULE hModule, HRSRC hResInfo)
{
    return qms::kernel::guarded(DWORD{0}, [&]() -> DWORD {
        const QMS_RESOURCE *row = resourceRow(hModule, hResInfo);
        return row ? row->size : 0;
    });
}

BOOL FreeResource(HGLOBAL)
{
    return FALSE; // resources stay with their module; FALSE is the documented success
}

} // extern "C"
