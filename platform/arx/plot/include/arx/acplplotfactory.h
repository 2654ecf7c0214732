// Makes the host's plot engines. Tests can make the host refuse them.
#pragma once

#include "arx/errorstatus.h"

class AcPlPlotEngine;

class AcPlPlotFactory
{
public:
    // A new engine (delete it with destroy()), or a status and no engine while refused.
    static Acad::ErrorStatus createPublishEngine(AcPlPlotEngine*& engine);
    // Makes createPublishEngine fail with the status (eOk lets it succeed again).
    static void setRefusal(Acad::ErrorStatus status);
};
