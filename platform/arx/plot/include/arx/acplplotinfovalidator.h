// Checks a plot info before it is plotted: the layout must exist, and the settings it will
// be plotted with (the overrides, else the layout's own) must name a device and media of
// the host. A validated info carries a copy of those settings.
#pragma once

#include "arx/acplplotinfo.h"
#include "arx/errorstatus.h"

class AcPlPlotInfoValidator
{
public:
    enum MatchingPolicy { kMatchDisabled = 1, kMatchEnabled = 2, kMatchEnabledCustom = 3, kMatchEnabledTmpCustom = 4 };

    void setMediaMatchingPolicy(MatchingPolicy policy) { m_policy = policy; }
    MatchingPolicy matchingPolicy() const { return m_policy; }
    // eInvalidLayout for a layout that cannot be read, eInvalidPlotInfo for an unknown
    // device or media.
    Acad::ErrorStatus validate(AcPlPlotInfo& info) const;

private:
    MatchingPolicy m_policy = kMatchDisabled;
};
