#pragma once

#include <memory>
#include <optional>
#include <string>

namespace sw {

// The simulator choice of the settings row (`cb2` item index).
enum class Simulator { None = 0, FS9 = 1, FSX = 2 };

// What the registry says of one simulator: whether its key opens, and its folder (already a
// native path) when the key holds the value.
struct SimulatorRegistration {
    bool keyOpens = false;
    std::optional<std::string> folder;
};

// Where the simulators are registered. The program's source reads a Wine prefix; tests fake it.
class SimulatorRegistry {
public:
    virtual ~SimulatorRegistry() = default;
    virtual SimulatorRegistration lookup(Simulator simulator) const = 0;
};

// HKLM of a Wine prefix:
//   FS9: "software\microsoft\microsoft games\flight simulator\9.0", value "exe path"
//   FSX: "software\Microsoft\Microsoft Games\Flight Simulator\10.0", value "SetupPath"
// A "C:\..." value becomes a native path through the prefix's drive links; a value that names
// no drive of the prefix is given as it stands, so the user sees what was registered.
// system.reg is read and parsed at the first lookup and again only when the file has changed
// since (a prefix's registry runs to tens of megabytes); anything but a regular file there is
// an empty registry.
class WinePrefixRegistry : public SimulatorRegistry {
public:
    explicit WinePrefixRegistry(std::string prefix);
    ~WinePrefixRegistry() override;
    SimulatorRegistration lookup(Simulator simulator) const override;
    const std::string& prefix() const { return m_prefix; }
    // How often system.reg has been read and parsed so far.
    int loads() const { return m_loads; }

private:
    struct Cache;
    std::string m_prefix;
    std::unique_ptr<Cache> m_cache;
    mutable int m_loads = 0;
};

} // namespace sw
