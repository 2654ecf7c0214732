// Drawings that are malformed or hostile: each is refused with a message naming what is
// wrong (and where), or read without harm; nothing crashes, and what is read is written
// back as it was.
#include "arx/dbblockref.h"
#include "arx/dbcurves.h"
#include "arx/dbdatabase.h"
#include "arx/dbdict.h"
#include "arx/dblayout.h"
#include "arx/dbsymtb.h"
#include "arx/dbtext.h"
#include "common/tempdir.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace std::string_literals;

namespace {

AcDbObjectId post(AcDbDatabase& db, AcDbEntity* ent)
{
    AcDbBlockTableRecord* ms = nullptr;
    acdbOpenObject(ms, db.modelSpaceId(), AcDb::kForWrite);
    AcDbObjectId id;
    EXPECT_EQ(ms->appendAcDbEntity(id, ent), Acad::eOk);
    ent->close();
    ms->close();
    return id;
}

// Replaces the value of the first pair with the code in the record of the handle (as this
// writer formats them).
std::string withValue(std::string text, AcDbHandle record, int code, const std::string& value)
{
    const size_t at = text.find("\n  5\n" + record.text() + "\n");
    char codeLine[16];
    std::snprintf(codeLine, sizeof codeLine, "\n%3d\n", code);
    const size_t field = text.find(codeLine, at);
    EXPECT_TRUE(at != std::string::npos && field != std::string::npos && field < text.find("\n  0\n", at + 1))
        << "no group " << code << " in " << record.text();
    const size_t begin = field + std::strlen(codeLine), end = text.find('\n', begin);
    return text.replace(begin, end - begin, value);
}

// Inserts pairs right after the record's handle.
std::string withPairs(std::string text, AcDbHandle record, const std::string& pairs)
{
    const std::string head = "\n  5\n" + record.text() + "\n";
    const size_t at = text.find(head);
    EXPECT_NE(at, std::string::npos);
    return text.insert(at + head.size(), pairs);
}

// Renames a subclass marker of the record of the handle.
std::string withMarker(std::string text, AcDbHandle record, const std::string& marker, const std::string& other)
{
    const size_t at = text.find("\n" + marker + "\n", text.find("\n  5\n" + record.text() + "\n"));
    EXPECT_NE(at, std::string::npos);
    return text.replace(at + 1, marker.size(), other);
}

// A drawing holding each kind of record the cases below change.
struct Sample {
    AcDbDatabase db;
    AcDbHandle line, text, mtext, attribute, insert, layout, layer;

    Sample()
    {
        acdbRegApp("APP", &db);
        AcDbBlockTable* blocks = nullptr;
        db.getSymbolTable(blocks, AcDb::kForWrite);
        auto* def = new AcDbBlockTableRecord;
        def->setName("ROOM");
        AcDbObjectId defId;
        blocks->add(defId, def);
        blocks->close();
        def->close();
        line = post(db, new AcDbLine(AcGePoint3d(), AcGePoint3d(1, 1, 0))).handle();
        text = post(db, new AcDbText(AcGePoint3d(), "T", AcDbObjectId(), 1)).handle();
        auto* m = new AcDbMText;
        m->setContents("M");
        mtext = post(db, m).handle();
        auto* ref = new AcDbBlockReference(AcGePoint3d(), defId);
        const AcDbObjectId refId = post(db, ref);
        insert = refId.handle();
        acdbOpenObject(ref, refId, AcDb::kForWrite);
        auto* attr = new AcDbAttribute(AcGePoint3d(), "V", "TAG");
        AcDbObjectId attrId;
        ref->appendAttribute(attrId, attr);
        attribute = attrId.handle();
        attr->close();
        ref->close();
        layout = acdbLayoutManager()->findLayoutNamed("Layout1", &db).handle();
        AcDbLayerTable* layers = nullptr;
        db.getSymbolTable(layers);
        AcDbObjectId zero;
        layers->getAt("0", zero);
        layers->close();
        layer = zero.handle();
    }
};

struct Outcome {
    Acad::ErrorStatus status;
    std::string message;
};

Outcome read(AcDbDatabase& db, const std::string& text)
{
    const Acad::ErrorStatus es = db.readDxfText(text);
    return {es, es == Acad::eOk ? std::string() : db.lastErrorMessage()};
}

// What every drawing that was read must survive: writing, and reading what was written.
void writeAndReadAgain(AcDbDatabase& db)
{
    const std::string again = db.dxfText();
    AcDbDatabase back(false);
    EXPECT_EQ(back.readDxfText(again), Acad::eOk) << back.lastErrorMessage();
    EXPECT_EQ(back.dxfText(), again);
}

} // namespace

TEST(DxfInput, ObjectsOfTheWrongKindAreRefusedOrIgnored)
{
    Sample s;
    AcDbDictionary* root = nullptr;
    s.db.getNamedObjectsDictionary(root, AcDb::kForWrite);
    AcDbObjectId xrecord;
    root->setAt("ACAD_LAYOUT", new AcDbXrecord, xrecord);
    root->close();
    xrecord.object()->close();
    AcDbDatabase db;
    const Outcome refused = read(db, s.db.dxfText());
    EXPECT_EQ(refused.status, Acad::eMalformedDxf);
    EXPECT_TRUE(refused.message.starts_with("the entry ACAD_LAYOUT of the root dictionary is a XRECORD, not a dictionary"
                                            " (the drawing is not opened: correct this in the program that wrote it"))
        << refused.message;

    const std::string text = Sample().db.dxfText();
    Sample handles;
    const std::string cases[] = {
        // A layout whose block record is a layer, a block record whose layout is a line,
        // an entity owned by a text, a line's extension dictionary that is a text.
        withValue(text, handles.layout, 330, handles.layer.text()),
        withValue(text, handles.db.modelSpaceId().handle(), 340, handles.line.text()),
        withValue(text, handles.line, 330, handles.text.text()),
        withPairs(text, handles.line, "102\n{ACAD_XDICTIONARY\n360\n" + handles.text.text() + "\n102\n}\n"),
    };
    for (const std::string& bytes : cases) {
        AcDbDatabase other;
        const Outcome outcome = read(other, bytes);
        EXPECT_EQ(outcome.status, Acad::eOk) << outcome.message;
        CString name;
        acdbLayoutManager()->getActiveLayoutName(name, true, &other);
        acdbLayoutManager()->setCurrentLayout("Layout1", &other);
        AcDbBlockTableRecord* ms = nullptr;
        ASSERT_EQ(acdbOpenObject(ms, other.modelSpaceId(), AcDb::kForRead), Acad::eOk);
        AcDbSortentsTable* order = nullptr;
        EXPECT_NE(ms->getSortentsTable(order, AcDb::kForRead), Acad::eOk);
        ms->close();
        writeAndReadAgain(other);
    }
}

TEST(DxfInput, ManyLayersMissingFromTheTableAreAdded)
{
    std::string entities = "0\nPOINT\n10\n1\n20\n2\n30\n0\n";   // no layer: layer 0
    // Each name once, then in turns among names of one length and last digit.
    std::vector<std::string> names;
    for (int i = 0; i < 180; ++i)
        names.push_back("MISSING-" + std::to_string(i < 60 ? i : (i * 37 % 6) * 10 + i % 2));
    for (const std::string& name : names)
        entities += "0\nLINE\n8\n" + name + "\n10\n0\n20\n0\n30\n0\n11\n1\n21\n1\n31\n0\n";
    const std::string bytes = "0\nSECTION\n2\nENTITIES\n" + entities + "0\nENDSEC\n0\nEOF\n";
    AcDbDatabase db;
    ASSERT_EQ(db.readDxfText(bytes), Acad::eOk) << db.lastErrorMessage();
    AcDbLayerTable* layers = nullptr;
    db.getSymbolTable(layers);
    for (int i = 0; i < 60; ++i)
        EXPECT_TRUE(layers->has(("missing-" + std::to_string(i)).c_str())) << i;
    layers->close();
    const auto* ms = AcDbBlockTableRecord::cast(db.modelSpaceId().object());
    ASSERT_EQ(ms->entityIds().size(), names.size() + 1);
    for (size_t i = 0; i < names.size(); ++i)
        EXPECT_EQ(AcDbEntity::cast(ms->entityIds()[i + 1].object())->layerName(), names[i]) << i;
    const auto* point = AcDbEntity::cast(ms->entityIds().front().object());
    EXPECT_EQ(point->layerId(), db.clayer());
    writeAndReadAgain(db);
}

TEST(DxfInput, TablesOfMoreRecordsThanTheirCountHoldsAreWritten)
{
    // A table's count is a 16-bit integer; a table of more records says the most it can.
    AcDbDatabase db;
    for (int i = 0; i <= INT16_MAX; ++i)
        ASSERT_TRUE(acdbRegApp(("APP" + std::to_string(i)).c_str(), &db)) << i;
    const std::string text = db.dxfText();
    const size_t most = text.find("AcDbSymbolTable\n 70\n32767\n");
    EXPECT_NE(most, std::string::npos);
    EXPECT_EQ(text.find("AcDbSymbolTable\n 70\n32767\n", most + 1), std::string::npos);
    writeAndReadAgain(db);
}

TEST(DxfInput, ByteOrderMarkLineEndsAndComments)
{
    const std::string text = Sample().db.dxfText();
    std::string crlf;
    for (char c : text)
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    const std::string twice = "\xEF\xBB\xBF\xEF\xBB\xBF";
    for (const std::string& bytes :
         {"\xEF\xBB\xBF" + text, "\xEF\xBB\xBF" + crlf, twice + text, "999\nmade by hand\n" + text}) {
        AcDbDatabase db;
        ASSERT_EQ(db.readDxfText(bytes), Acad::eOk) << db.lastErrorMessage();
        EXPECT_EQ(db.dxfText(), text);
    }
}

TEST(DxfInput, IntegersBeyondTheirCodeAndEnumerationsOutOfRangeAreRefused)
{
    Sample s;
    const std::string text = s.db.dxfText();
    const struct {
        AcDbHandle record;
        int code;
        const char* value;
        const char* message;
    } cases[] = {
        {s.text, 40, "nan", "invalid number 'nan' for group code 40"},
        {s.text, 40, "-inf", "invalid number '-inf' for group code 40"},
        {s.mtext, 71, "0", "value 0 out of range 1 to 9 for group code 71"},
        {s.mtext, 71, "10", "value 10 out of range 1 to 9 for group code 71"},
        {s.layout, 73, "4", "value 4 out of range 0 to 3 for group code 73"},
        {s.layout, 74, "6", "value 6 out of range 0 to 5 for group code 74"},
        {s.layout, 72, "-1", "value -1 out of range 0 to 2 for group code 72"},
        {s.layout, 75, "35", "value 35 out of range 0 to 34 for group code 75"},
    };
    for (const auto& c : cases) {
        AcDbDatabase db;
        const Outcome outcome = read(db, withValue(text, c.record, c.code, c.value));
        EXPECT_EQ(outcome.status, Acad::eMalformedDxf) << c.message;
        EXPECT_NE(outcome.message.find(c.message), std::string::npos) << outcome.message;
        EXPECT_EQ(outcome.message.rfind("line ", 0), 0u) << outcome.message;
    }
    // Text alignments and attribute modes appear only when they are not the default.
    const struct {
        AcDbHandle record;
        const char* pairs;
        const char* message;
    } added[] = {
        {s.line, "62\n99999999999\n", "integer 99999999999 too large for group code 62"},
        {s.line, "370\n300\n", "value 300 out of range -3 to 211 for group code 370"},
        {s.line, "420\n4294967296\n", "integer 4294967296 too large for group code 420"},
        {s.text, "100\nAcDbText\n72\n6\n", "value 6 out of range 0 to 5 for group code 72"},
        {s.text, "100\nAcDbText\n100\nAcDbText\n73\n4\n", "value 4 out of range 0 to 3 for group code 73"},
        {s.attribute, "100\nAcDbAttribute\n74\n9\n", "value 9 out of range 0 to 3 for group code 74"},
        {s.insert, "100\nAcDbBlockReference\n70\n-2\n", "value -2 out of range 0 to 32767 for group code 70"},
    };
    for (const auto& c : added) {
        AcDbDatabase db;
        const Outcome outcome = read(db, withPairs(text, c.record, c.pairs));
        EXPECT_NE(outcome.message.find(c.message), std::string::npos) << c.pairs << ": " << outcome.message;
    }
}

TEST(DxfInput, UnreadIntegersAndXDataAreKeptExactly)
{
    Sample s;
    // A large integer no field reads, and XData whose numbers and binary chunks do not
    // convert: the drawing is read, the number as a text, xData() of that application gives
    // null, the chunks are written back unchanged, and the other application's data still
    // convert.
    const std::string longChunk(2 * 40000, 'A');
    const std::string pairs = "100\nAcDbEntity\n90\n99999999999\n";
    const std::string xdata = "1001\nAPP\n1071\n99999999999\n1004\nABC\n1004\nZZ\n1004\n" + longChunk
                            + "\n1001\nOTHER\n1000\nfine\n1070\n7\n";
    std::string text = s.db.dxfText();
    text = withPairs(text, s.line, pairs);
    const size_t end = text.find("\n  0\n", text.find("\n  5\n" + s.line.text() + "\n"));
    text.insert(end + 1, xdata);
    AcDbDatabase db;
    ASSERT_EQ(db.readDxfText(text), Acad::eOk) << db.lastErrorMessage();
    AcDbObjectId id;
    ASSERT_EQ(db.getAcDbObjectId(id, false, s.line), Acad::eOk);
    EXPECT_EQ(id.object()->xData("APP"), nullptr);
    EXPECT_FALSE(id.object()->visitXData("APP", [](int, std::string_view) { FAIL(); }));
    resbuf* other = id.object()->xData("OTHER");
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(other->rbnext->rbnext->resval.rint, 7);
    acutRelRb(other);
    const std::string written = db.dxfText();
    EXPECT_NE(written.find(" 90\n99999999999\n"), std::string::npos);
    EXPECT_NE(written.find("1000\n99999999999\n1004\nABC\n1004\nZZ\n1004\n" + longChunk + "\n"), std::string::npos);
    writeAndReadAgain(db);
}

TEST(DxfInput, MalformedFilesNameWhatIsWrong)
{
    const std::string text = Sample().db.dxfText();
    Sample s;
    const struct {
        std::string bytes;
        const char* message;
    } cases[] = {
        {withMarker(text, s.db.modelSpaceId().handle(), "*Model_Space", "*model_SPACE\n  0\nBLOCK_RECORD\n  2\n*Model_Space"),
         "block record '*Model_Space' given twice"},
        {"0\nSECTION\n2\nENTITIES\n0\nATTRIB\n8\n0\n0\nENDSEC\n0\nEOF\n", "ATTRIB outside a block reference"},
        {"0\nSECTION\n2\nTABLES\n0\nTABLE\n2\nCHAIRS\n0\nENDTAB\n0\nENDSEC\n0\nEOF\n", "unknown table 'CHAIRS'"},
        {"0\nSECTION\n0\nEOF\n", "section without a name"},
        {"0\nLINE\n0\nEOF\n", "expected SECTION, found 'LINE'"},
        // The block name lies in a subclass the reader does not know.
        {withMarker(text, s.insert, "AcDbBlockReference", "AcDbOther"), "INSERT without a block name"},
        {"0\nSECTION\n2\nENTITIES\n0\nINSERT\n5\n20\n8\n0\n2\n\n0\nENDSEC\n0\nEOF\n",
         "line 5: INSERT 20: INSERT without a block name"},
        // Groups left open would take the fields after them.
        {withPairs(text, s.insert, "102\n{APP\n1000\nx\n"), "group '{APP' not closed by '}'"},
        {withPairs(text, s.line, "102\n{ACAD_REACTORS\n330\n1\n"), "group '{ACAD_REACTORS' not closed by '}'"},
        {withPairs(text, s.line, "102\n{ACAD_XDICTIONARY\n"), "group '{ACAD_XDICTIONARY' not closed by '}'"},
        // A record type cannot be escaped: a NUL byte in one would be lost.
        {std::string("0\nSECTION\n2\nENTITIES\n0\nVERTEX") + '\0' + "X\n8\n0\n0\nENDSEC\n0\nEOF\n",
         "line 5: record type with a NUL byte"},
    };
    for (const auto& c : cases) {
        AcDbDatabase db;
        const Outcome outcome = read(db, c.bytes);
        EXPECT_NE(outcome.status, Acad::eOk) << c.message;
        EXPECT_NE(outcome.message.find(c.message), std::string::npos) << outcome.message;
    }
}

TEST(DxfInput, NulBytesInNamesReadAsReplacementCharacters)
{
    // Names of a frozen layer, a style, an application, a block: each record found, quoted whole.
    const std::string text = "0\nSECTION\n2\nTABLES\n0\nTABLE\n2\nLAYER\n0\nLAYER\n2\nA\0B\n70\n1\n0\nENDTAB\n0\nTABLE\n"
                             "2\nSTYLE\n0\nSTYLE\n2\nS\0T\n70\n0\n0\nENDTAB\n0\nENDSEC\n0\nSECTION\n2\nENTITIES\n0\nLINE\n"
                             "5\n30\n8\nA\0B\n1001\nX\0A\n0\nTEXT\n7\nS\0T\n1\nT\n0\nINSERT\n2\nB\\U+0000K\n"
                             "0\nDIMENSION\n2\nB\0K\n3\nS\0T\n0\nENDSEC\n0\nEOF\n"s;
    AcDbDatabase db;
    ASSERT_EQ(db.readDxfText(text), Acad::eOk) << db.lastErrorMessage();
    ASSERT_EQ(db.readRepairs().size(), 5u);
    EXPECT_EQ(db.readRepairs()[0], "LAYER at line 11: the name 'A\\U+0000B' holds a NUL byte, which no name can: read as "
                                   "'A\xEF\xBF\xBD" "B'");
    EXPECT_NE(db.readRepairs()[4].find("the block 'B\xEF\xBF\xBD" "K' is not defined"), std::string::npos);
    AcDbObjectId line;
    ASSERT_EQ(db.getAcDbObjectId(line, false, AcDbHandle(0x30)), Acad::eOk);
    EXPECT_TRUE(AcDbLayerTableRecord::cast(AcDbEntity::cast(line.object())->layerId().object())->isFrozen());
    EXPECT_EQ(db.dxfText().find("U+0000"), std::string::npos);
    writeAndReadAgain(db);
}

TEST(DxfInput, FilesThatCannotBeOpenedSayWhy)
{
    TempDir dir;
    AcDbDatabase db;
    EXPECT_EQ(db.readDxfFile(dir.folder().c_str()), Acad::eFileAccessErr);
    EXPECT_EQ(db.lastErrorMessage(), "cannot open '" + dir.folder() + "': it is a folder");
    EXPECT_EQ(db.readDxfFile(dir.file("none.dxf").c_str()), Acad::eFileNotFound);
    EXPECT_EQ(db.lastErrorMessage(), "cannot open '" + dir.file("none.dxf") + "': no such file or directory");
    const std::string secret = dir.file("secret.dxf");
    writeFile(secret, Sample().db.dxfText());
    ::chmod(secret.c_str(), 0600);
    ::chmod(dir.path().c_str(), 0755);
    const int result = runUnprivileged([&] {
        AcDbDatabase other;
        const bool refused = other.readDxfFile(secret.c_str()) == Acad::eFileAccessErr;
        return refused && other.lastErrorMessage() == "cannot open '" + secret + "': permission denied" ? 0 : 1;
    });
    EXPECT_EQ(result, 0);
}

TEST(DxfInput, WhatIsWrittenReadsBackAsItWasWritten)
{
    Sample s;
    const std::string text = s.db.dxfText();
    const std::string cases[] = {
        // A marker the reader does not know where no marker came yet (a line of release 12).
        "0\nSECTION\n2\nENTITIES\n0\nLINE\n8\nWalls\n100\nAcDbStray\n10\n1\n62\n3\n0\nENDSEC\n0\nEOF\n",
        // A pair before a table's name, which the writer writes first.
        "0\nSECTION\n2\nTABLES\n0\nTABLE\n1\n9\n2\nLTYPE\n70\n0\n0\nENDTAB\n0\nENDSEC\n0\nEOF\n",
        // Reactors and an owner naming objects the file does not have.
        withPairs(text, s.line, "102\n{ACAD_REACTORS\n330\nFFFFF\n102\n}\n"),
        withValue(text, s.text, 330, "EEEEE"),
        // Record types with blanks and carriage returns around them, or control characters
        // in them (kept in a section of another name).
        "0\nSECTION\n2\nENTITIES\n0\nPOLYLINE\n8\n0\n66\n1\n0\nVERTEX \r\r\n8\n0\n0\n\tSEQEND\r\r\n"
        "0\nENDSEC\n0\nEOF\n",
        "0\nSECTION\n2\nTHUMBS\n0\nA\x01\\U+0001B\n1\nx\n0\nENDSEC\n0\nEOF\n",
    };
    for (const std::string& bytes : cases) {
        AcDbDatabase db;
        ASSERT_EQ(db.readDxfText(bytes), Acad::eOk) << db.lastErrorMessage();
        const std::string once = db.dxfText();
        EXPECT_EQ(once.find("FFFFF"), std::string::npos);
        AcDbDatabase again;
        ASSERT_EQ(again.readDxfText(once), Acad::eOk) << again.lastErrorMessage();
        EXPECT_EQ(again.dxfText(), once);
        EXPECT_LT(db.handseed().value(), 0xEEEEEu);   // handles dropped do not push new ones up
    }
}

TEST(DxfInput, DrawingsThatCannotBeWrittenAsTheyAreFailTheSave)
{
    Sample s;
    AcDbBlockTableRecord* room = nullptr;
    AcDbBlockTable* blocks = nullptr;
    s.db.getSymbolTable(blocks);
    ASSERT_EQ(blocks->getAt("ROOM", room, AcDb::kForWrite), Acad::eOk);
    blocks->close();
    // A definition that a reference shows is never erased, so no reference is left
    // showing an erased one.
    EXPECT_EQ(room->erase(), Acad::eObjectIsReferenced);
    EXPECT_FALSE(room->isErased());
    room->close();
    TempDir dir;
    // Flags beyond a 16-bit integer are refused when set, so that the save never meets them.
    AcDbLayerTableRecord layer;
    EXPECT_EQ(layer.setFlags(0x10000), Acad::eInvalidInput);
    EXPECT_EQ(layer.setFlags(INT16_MIN - 1), Acad::eInvalidInput);
    EXPECT_EQ(layer.flags(), 0);
    EXPECT_EQ(layer.setFlags(INT16_MIN), Acad::eOk);
    EXPECT_EQ(layer.setFlags(4), Acad::eOk);
    EXPECT_TRUE(layer.isLocked());
    // A database made without content is written as an empty drawing.
    AcDbDatabase empty(false);
    AcDbDatabase back(false);
    EXPECT_EQ(back.readDxfText(empty.dxfText()), Acad::eOk) << back.lastErrorMessage();
    EXPECT_FALSE(back.modelSpaceId().isNull());
}

TEST(DxfInput, SectionsOfOtherNamesKeepTheirNamesWhole)
{
    // Names holding control bytes are no known section: kept as read, and written so that
    // they read back the same, never as the section their printable part names.
    const std::string text = Sample().db.dxfText();
    const std::string names[] = {std::string("BLOCKS\0\0", 8), std::string("OBJECTS\0", 8), "TABLES\x06",
                                 "HEADER\r\r", "ENTITIES\\U+0000"};
    for (const std::string& name : names) {
        std::string bytes = text;
        const std::string section = "0\nSECTION\n2\n" + name + "\n0\nBLOCK\n5\n1\n2\n*Model_Space\n0\nENDBLK\n"
                                  + "0\nLINE\n5\n1\n0\nENDSEC\n";
        bytes.insert(bytes.rfind("  0\nEOF"), section);
        AcDbDatabase db;
        ASSERT_EQ(db.readDxfText(bytes), Acad::eOk) << name << ": " << db.lastErrorMessage();
        writeAndReadAgain(db);
    }
    AcDbDatabase db;
    ASSERT_EQ(db.readDxfText("0\nSECTION\n2\n" + names[0] + "\n1\nx\n0\nENDSEC\n0\nEOF\n"), Acad::eOk);
    EXPECT_NE(db.dxfText().find("  2\nBLOCKS\\U+0000\\U+0000\n  1\nx\n  0\nENDSEC\n"), std::string::npos);
}

TEST(DxfInput, ObjectsBeforeEntitiesInAFileWithoutTables)
{
    // The root dictionary names a dictionary that a later section gives, or that no section
    // gives; the tables are made when the entities come, and the dictionaries at the end.
    const std::string root = "0\nSECTION\n2\nOBJECTS\n0\nDICTIONARY\n5\nA\n330\n0\n100\nAcDbDictionary\n"
                             "3\nACAD_GROUP\n350\nB\n3\nACAD_LAYOUT\n350\nC\n0\nENDSEC\n";
    const std::string entities = "0\nSECTION\n2\nENTITIES\n0\nLINE\n5\n10\n8\nWalls\n10\n0\n20\n0\n11\n1\n21\n1\n"
                                 "0\nENDSEC\n";
    const std::string later = "0\nSECTION\n2\nOBJECTS\n0\nDICTIONARY\n5\nB\n330\nA\n100\nAcDbDictionary\n"
                              "0\nDICTIONARY\n5\nC\n330\nA\n100\nAcDbDictionary\n0\nENDSEC\n";
    AcDbDatabase db;
    ASSERT_EQ(db.readDxfText(root + entities + later + "0\nEOF\n"), Acad::eOk) << db.lastErrorMessage();
    AcDbDictionary* dict = nullptr;
    ASSERT_EQ(db.getNamedObjectsDictionary(dict), Acad::eOk);
    AcDbObjectId layouts;
    EXPECT_EQ(dict->getAt("ACAD_LAYOUT", layouts), Acad::eOk);
    dict->close();
    EXPECT_EQ(layouts.handle(), AcDbHandle(0xC));
    EXPECT_EQ(AcDbBlockTableRecord::cast(db.modelSpaceId().object())->entityIds().size(), 1u);
    writeAndReadAgain(db);

    // Entries naming nothing are dropped (and the dictionaries needed made).
    AcDbDatabase missing;
    ASSERT_EQ(missing.readDxfText(root + entities + "0\nEOF\n"), Acad::eOk) << missing.lastErrorMessage();
    EXPECT_EQ(missing.readRepairs().size(), 2u);
    writeAndReadAgain(missing);
}

TEST(DxfInput, XDataAndRecordsOfCodesWithoutAKindReadAsTexts)
{
    // Codes whose values the format leaves open convert to strings, the 1060s to 16-bit
    // integers; every chain is freed whole (the sanitizer builds find a leak).
    Sample s;
    std::string text = s.db.dxfText();
    const size_t end = text.find("\n  0\n", text.find("\n  5\n" + s.line.text() + "\n"));
    text.insert(end + 1, "1001\nAPP\n1006\nsix\n1009\nnine\n1065\n-12\n1000\nend\n");
    AcDbDatabase db;
    ASSERT_EQ(db.readDxfText(text), Acad::eOk) << db.lastErrorMessage();
    AcDbObjectId id;
    ASSERT_EQ(db.getAcDbObjectId(id, false, s.line), Acad::eOk);
    resbuf* chain = id.object()->xData("APP");
    ASSERT_NE(chain, nullptr);
    const resbuf* rb = chain->rbnext;
    ASSERT_EQ(rb->restype, 1006);
    EXPECT_STREQ(rb->resval.rstring, "six");
    EXPECT_STREQ(rb->rbnext->resval.rstring, "nine");
    EXPECT_EQ(rb->rbnext->rbnext->resval.rint, -12);
    EXPECT_STREQ(rb->rbnext->rbnext->rbnext->resval.rstring, "end");
    resbuf* copy = acutDuplicateRbChain(chain);
    acutRelRb(chain);
    acutRelRb(copy);

    AcDbXrecord record;
    resbuf* data = acutBuildList(1, "one", 0);
    data->rbnext = acutNewRb(85);
    acutSetRbString(data->rbnext, "open");
    data->rbnext->rbnext = acutNewRb(-4);
    EXPECT_EQ(record.setFromRbChain(data), Acad::eInvalidInput);   // -4 holds no value here
    acutRelRb(data->rbnext->rbnext);
    data->rbnext->rbnext = nullptr;
    ASSERT_EQ(record.setFromRbChain(data), Acad::eOk);
    acutRelRb(data);
    resbuf* back = nullptr;
    ASSERT_EQ(record.rbChain(&back), Acad::eOk);
    ASSERT_NE(back->rbnext, nullptr);
    EXPECT_STREQ(back->rbnext->resval.rstring, "open");
    acutRelRb(back);
}

TEST(DxfInput, PairsInPlacesOtherWritersPutThemGoToTheirFields)
{
    // The entity of handle 30 in each drawing, as read and as read again after a save.
    struct Case {
        const char* what;
        std::string entities;
        void (*check)(const AcDbEntity& ent);
        const char* written = "";   // a part of the saved drawing
    };
    const std::string mtext = "0\nMTEXT\n5\n30\n100\nAcDbEntity\n8\n0\n100\nAcDbMText\n10\n5\n20\n6\n30\n0\n40\n2.5\n"
                              "41\n80\n71\n1\n1\nRoom\n11\n1\n21\n0\n31\n0\n";
    const Case cases[] = {
        {"an embedded object repeats the text's codes",
         mtext + "101\nEmbedded Object\n70\n1\n10\n1\n20\n0\n30\n0\n11\n5\n21\n6\n31\n0\n40\n80\n41\n0\n42\n920\n",
         [](const AcDbEntity& ent) {
             const auto& m = static_cast<const AcDbMText&>(ent);
             EXPECT_EQ(m.location(), AcGePoint3d(5, 6, 0));
             EXPECT_EQ(m.textHeight(), 2.5);
             EXPECT_EQ(m.width(), 80);
             EXPECT_EQ(m.rotation(), 0);
         }},
        {"the layer after the text's marker (dxflib)",
         "0\nMTEXT\n5\n30\n100\nAcDbEntity\n100\nAcDbMText\n8\nWalls\n62\n3\n73\n2\n10\n5\n20\n6\n40\n2.5\n1\nRoom\n",
         [](const AcDbEntity& ent) {
             EXPECT_EQ(ent.layerName(), "Walls");
             EXPECT_EQ(ent.colorIndex(), 3);
         },
         "AcDbMText\n 73\n2\n"},
        {"the handle among the common fields (a release-12 writer)",
         "0\nLINE\n100\nAcDbEntity\n8\nWalls\n5\n30\n100\nAcDbLine\n10\n0\n20\n0\n30\n0\n11\n1\n21\n1\n31\n0\n",
         [](const AcDbEntity& ent) { EXPECT_EQ(ent.layerName(), "Walls"); }},
        {"the lock flag after an attribute's version",
         "0\nATTDEF\n5\n30\n100\nAcDbEntity\n8\n0\n100\nAcDbText\n10\n0\n20\n0\n40\n1\n1\nV\n100\nAcDbAttributeDefinition\n"
         "280\n0\n3\nName?\n2\nTAG\n70\n0\n280\n1\n",
         [](const AcDbEntity& ent) { EXPECT_TRUE(static_cast<const AcDbAttributeDefinition&>(ent).lockPositionInBlock()); }},
        {"release 10's 3DLINE",
         "0\n3DLINE\n5\n30\n8\n0\n10\n2\n20\n3\n30\n4\n11\n5\n21\n6\n31\n7\n",
         [](const AcDbEntity& ent) {
             ASSERT_TRUE(ent.isKindOf(AcDbLine::desc()));
             EXPECT_EQ(static_cast<const AcDbLine&>(ent).endPoint(), AcGePoint3d(5, 6, 7));
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        AcDbDatabase db;
        ASSERT_EQ(db.readDxfText("0\nSECTION\n2\nENTITIES\n" + c.entities + "0\nENDSEC\n0\nEOF\n"), Acad::eOk)
            << db.lastErrorMessage();
        const std::string once = db.dxfText();
        EXPECT_EQ(once.find("3DLINE"), std::string::npos);
        EXPECT_NE(once.find(c.written), std::string::npos);
        AcDbDatabase again;
        ASSERT_EQ(again.readDxfText(once), Acad::eOk) << again.lastErrorMessage();
        EXPECT_EQ(again.dxfText(), once);
        for (AcDbDatabase* read : {&db, &again}) {
            AcDbObjectId id;
            ASSERT_EQ(read->getAcDbObjectId(id, false, AcDbHandle(0x30)), Acad::eOk);
            c.check(*AcDbEntity::cast(id.object()));
        }
    }
}

TEST(DxfInput, CommonFieldsAfterAnyTypesMarkerAreTheEntitys)
{
    // The layer, colour and line weight after the type's own marker (or the last of them):
    // of types kept as pairs, proxies, types with fields of their own and one read whole.
    const std::string common = "8\nWalls\n62\n3\n370\n50\n";
    const std::string records[] = {
        "0\nPOINT\n5\n30\n100\nAcDbEntity\n100\nAcDbPoint\n" + common + "10\n1\n20\n2\n30\n0\n",
        "0\nSPLINE\n5\n30\n100\nAcDbEntity\n100\nAcDbSpline\n70\n8\n71\n3\n" + common + "10\n0\n20\n0\n30\n0\n",
        "0\nQV_WALL\n5\n30\n100\nAcDbEntity\n100\nAcDbQvWall\n" + common + "70\n1\n",
        "0\nACAD_PROXY_ENTITY\n5\n30\n100\nAcDbEntity\n100\nAcDbProxyEntity\n90\n498\n" + common + "93\n0\n",
        "0\nLINE\n5\n30\n100\nAcDbEntity\n100\nAcDbLine\n" + common + "10\n0\n20\n0\n30\n0\n11\n1\n21\n1\n31\n0\n",
        "0\nCIRCLE\n5\n30\n100\nAcDbEntity\n100\nAcDbCircle\n10\n0\n20\n0\n30\n0\n40\n2\n100\nAcDbArc\n" + common
            + "50\n0\n51\n90\n",
        "0\nHATCH\n5\n30\n100\nAcDbEntity\n100\nAcDbHatch\n" + common
            + "10\n0\n20\n0\n30\n0\n2\nSOLID\n70\n1\n71\n0\n91\n0\n75\n0\n76\n1\n98\n0\n",
    };
    for (const std::string& record : records) {
        SCOPED_TRACE(record.substr(2, record.find('\n', 2) - 2));
        AcDbDatabase db;
        ASSERT_EQ(db.readDxfText("0\nSECTION\n2\nENTITIES\n" + record + "0\nENDSEC\n0\nEOF\n"), Acad::eOk)
            << db.lastErrorMessage();
        AcDbObjectId id;
        ASSERT_EQ(db.getAcDbObjectId(id, false, AcDbHandle(0x30)), Acad::eOk);
        const auto* ent = AcDbEntity::cast(id.object());
        EXPECT_EQ(ent->layerName(), "Walls");
        EXPECT_EQ(ent->colorIndex(), 3);
        EXPECT_EQ(ent->lineWeight(), 50);
        // Written once, among the common fields.
        const std::string saved = db.dxfText();
        const size_t layer = saved.find("  8\nWalls\n");
        ASSERT_NE(layer, std::string::npos);
        EXPECT_EQ(saved.find("  8\nWalls\n", layer + 1), std::string::npos);
        EXPECT_EQ(saved.find("370\n50\n", saved.find("370\n50\n") + 1), std::string::npos);
        AcDbDatabase again;
        ASSERT_EQ(again.readDxfText(saved), Acad::eOk) << again.lastErrorMessage();
        EXPECT_EQ(again.dxfText(), saved);
    }
}

TEST(DxfInput, SpacesUnderOtherNamesAreReadAsTheSpaces)
{
    // Model space named "*U" and found by its entities' owner (its layout renamed, and named
    // "Model" again), paper space named "*U3" and found by the first layout: read, and saved,
    // as the spaces.
    Sample s;
    std::string text = s.db.dxfText();
    for (const auto& [from, to] : {std::pair<std::string, std::string>{"*Model_Space", "*U"}, {"*Paper_Space", "*U3"},
                                   {"\nModel\n", "\nWerk\n"}})
        for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
            text.replace(at, from.size(), to);
    AcDbDatabase db;
    ASSERT_EQ(db.readDxfText(text), Acad::eOk) << db.lastErrorMessage();
    AcDbObjectId id;
    ASSERT_EQ(db.getAcDbObjectId(id, false, s.line), Acad::eOk);
    EXPECT_EQ(AcDbEntity::cast(id.object())->ownerId(), db.modelSpaceId());
    ASSERT_EQ(db.getAcDbObjectId(id, false, s.layout), Acad::eOk);
    EXPECT_EQ(AcDbLayout::cast(id.object())->getBlockTableRecordId(), db.paperSpaceId());
    ASSERT_EQ(db.readRepairs().size(), 3u);
    EXPECT_NE(db.readRepairs()[0].find("('*U'): it owns the model-space entities: read as *Model_Space"), std::string::npos)
        << db.readRepairs()[0];
    EXPECT_NE(db.readRepairs()[1].find("('*U3'): the first layout ('Layout1') names it: read as *Paper_Space"),
              std::string::npos)
        << db.readRepairs()[1];
    EXPECT_NE(db.readRepairs()[2].find("('Werk'): it is model space's layout: named 'Model'"), std::string::npos)
        << db.readRepairs()[2];
    const std::string saved = db.dxfText();
    EXPECT_EQ(saved.find("*U"), std::string::npos);
    AcDbDatabase again;
    ASSERT_EQ(again.readDxfText(saved), Acad::eOk) << again.lastErrorMessage();
    EXPECT_TRUE(again.readRepairs().empty());
}

TEST(DxfInput, BlocksNamedAsTheSpacesOfReleaseTwelveBesideTheSpaces)
{
    // A file that has the block records *Model_Space and $MODEL_SPACE keeps both blocks.
    Sample s;
    AcDbBlockTable* blocks = nullptr;
    s.db.getSymbolTable(blocks, AcDb::kForWrite);
    auto* old = new AcDbBlockTableRecord;
    old->setName("$MODEL_SPACE");
    AcDbObjectId oldId;
    blocks->add(oldId, old);
    blocks->close();
    old->close();
    AcDbDatabase db;
    ASSERT_EQ(db.readDxfText(s.db.dxfText()), Acad::eOk) << db.lastErrorMessage();
    EXPECT_EQ(db.dxfText(), s.db.dxfText());
}
