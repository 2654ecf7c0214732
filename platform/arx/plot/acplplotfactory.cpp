#include "arx/acplplotfactory.h"

#include "arx/acplplotengine.h"

namespace {
Acad::ErrorStatus refusal = Acad::eOk;
}

Acad::ErrorStatus AcPlPlotFactory::createPublishEngine(AcPlPlotEngine*& engine)
{
    engine = nullptr;
    if (refusal != Acad::eOk)
        return refusal;
    engine = new AcPlPlotEngine;
    return Acad::eOk;
}

void AcPlPlotFactory::setRefusal(Acad::ErrorStatus status) { refusal = status; }
