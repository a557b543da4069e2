// CRegistryStore: the per-user file that stands in for the registry's class keys.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/com/ComTypes.h"

namespace com {

// The store's whole content: key path ("HKEY_CLASSES_ROOT\CLSID\{...}") to its named
// values; the name "" is the key's default value. A key exists once it is in the map, and
// creating a key creates its parents.
class CRegistryTree {
public:
    using Values = std::map<std::string, std::string>;

    void SetValue(const std::string& key, const std::string& name, const std::string& value);
    std::optional<std::string> GetValue(const std::string& key, const std::string& name) const;
    bool KeyExists(const std::string& key) const { return m_keys.count(key) != 0; }
    void CreateKey(const std::string& key);
    // Removes the key with all its subkeys; false when it did not exist.
    bool DeleteTree(const std::string& key);
    std::vector<std::string> SubKeys(const std::string& key) const;

    // Key names may not be empty nor hold brackets or line breaks.
    bool IsWellFormed() const;
    std::string Serialise() const;
    // False (tree unchanged) when the text is not a well-formed store.
    bool Parse(const std::string& text);

private:
    std::map<std::string, Values> m_keys;
};

// Every call reads the file afresh; changes are one locked read-modify-write, written to a
// temporary file and renamed over the old one, so a reader never sees half a file and two
// writers (threads or processes) never lose each other's changes. A writer that was killed
// before its rename leaves its temporary file behind; the next writer removes it.
class CRegistryStore {
public:
    explicit CRegistryStore(std::string path) : m_path(std::move(path)) {}

    // $QUILLET_REGISTRY when set, else $XDG_DATA_HOME/quillet/registry.ini, else
    // ~/.local/share/quillet/registry.ini.
    static std::string DefaultPath();
    static CRegistryStore Default() { return CRegistryStore(DefaultPath()); }

    const std::string& Path() const { return m_path; }

    // An absent file reads as an empty store. A malformed file fails with
    // VFW_E_INVALID_FILE_FORMAT and is never overwritten.
    HRESULT Read(CRegistryTree& tree) const;
    // Applies change to the current content and writes the result, all under the lock. A
    // change that leaves an ill-formed key fails with E_INVALIDARG and writes nothing.
    HRESULT Update(const std::function<void(CRegistryTree&)>& change) const;

    std::optional<std::string> GetValue(const std::string& key, const std::string& name) const;
    bool KeyExists(const std::string& key) const;

private:
    std::string m_path;
};

// Key names are joined with a backslash, as on Windows.
inline std::string JoinKey(const std::string& a, const std::string& b) {
    return a + "\\" + b;
}

inline const std::string kClassesRoot = "HKEY_CLASSES_ROOT";

}  // namespace com
