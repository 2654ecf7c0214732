#include "chartfixture.h"

#include "common/tempdir.h"

#include <QJsonDocument>
#include <cstdio>

QJsonObject ReportDrawingTest::saveAndCheck()
{
    TempDir dir;
    const std::string path = dir.file("report.dxf");
    EXPECT_EQ(db->saveAs(path.c_str()), Acad::eOk);
    const std::string command = "/usr/bin/python3 " QV_SOURCE_DIR "/tests/reports/chartcheck.py " + path;
    std::string output;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        size_t read = 0;
        while ((read = fread(buffer, 1, sizeof buffer, pipe)) > 0)
            output.append(buffer, read);
        pclose(pipe);
    }
    const QJsonDocument json = QJsonDocument::fromJson(QByteArray::fromStdString(output));
    EXPECT_TRUE(json.isObject()) << output;
    return json.object();
}

QJsonArray ReportDrawingTest::blockEntities(const QJsonObject& check, const QString& name)
{
    for (const QJsonValue& block : check["dump"].toObject()["blocks"].toArray())
        if (block.toObject()["name"].toString() == name)
            return block.toObject()["entities"].toArray();
    return {};
}

std::vector<QJsonObject> ReportDrawingTest::ofType(const QJsonArray& entities, const QString& type)
{
    std::vector<QJsonObject> found;
    for (const QJsonValue& entity : entities)
        if (entity.toObject()["type"].toString() == type)
            found.push_back(entity.toObject());
    return found;
}
