#pragma once
// A component's own part of setsim: taken at start-up, written back for a save. Each field is
// mapped once, in the component that owns what it keeps.

#include "settings/settings.h"

namespace corvala {

class SettingsSlice {
public:
    virtual void LoadSettings(const Settings& s) = 0;
    virtual void SaveSettings(Settings& s) const = 0;

protected:
    ~SettingsSlice() = default;
};

}  // namespace corvala
