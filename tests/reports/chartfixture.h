// A drawing for the report-drawing tests, with a check that saves it and describes it with
// ezdxf (tests/reports/chartcheck.py: the description, the audit, the area ezdxf measures
// inside every polyline of a block, and the linetype patterns).
#pragma once

#include "blocks/fixture.h"

#include <QJsonArray>
#include <QJsonObject>
#include <functional>

class ReportDrawingTest : public DrawingTest
{
protected:
    QJsonObject saveAndCheck();

    // The entities of the named block in the description (empty when it is missing).
    static QJsonArray blockEntities(const QJsonObject& check, const QString& name);
    // The entities of the type among them.
    static std::vector<QJsonObject> ofType(const QJsonArray& entities, const QString& type);
    static double number(const QJsonValue& value) { return value.toDouble(); }
};
