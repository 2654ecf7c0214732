#include "commands.h"

#include "arx/acutprintf.h"
#include "host/acadutilities.h"
#include "module/commandframe.h"
#include "msxml/dom.h"
#include "posix/homefolder.h"
#include "support/fileutilities.h"
#include "support/kavroguard.h"
#include "support/utilities.h"
#include "support/xmlutilities.h"
#include "win/com.h"
#include "win/shlobj.h"

namespace {

// The namespace of the settings files that the document monitor reads; the diagnostic XML
// file is written in it.
constexpr const char* SETTINGS_NAMESPACE = "urn:kavrosystems:quorvane:vaulteyesettings";

// Throws a module error and handles it as every command's frame does.
void throwAndHandle(const char* title, const char* signature)
{
    acutPrintf("%s", title);
    try {
        throw new CEXUnhandled("test error", KAVRO_PRODUCT_CAPTION, MODULE_MAIN_FILE, signature, 0);
    } catch (CEXKavro* e) {
        acutPrintf("the error has been handled - %s\n", e->getDescription());
        CEXKavro::deleteChain(e);
        acutPrintf("kavro error handled successfully\n");
    } catch (...) {
        acutPrintf("kavro error handling failed\n");
    }
    acutPrintf("error handling test completed\n");
}

// "kavroDiagnosis.xml" in the module's folder under the common application-data folder.
CString defaultXmlPath()
{
    char folder[MAX_PATH];
    if (FAILED(SHGetFolderPath(nullptr, CSIDL_COMMON_APPDATA, nullptr, 0, folder)))
        return "kavroDiagnosis.xml";
    return CString(folder) + "/KavroSystems/Quorvane/kavroDiagnosis.xml";
}

// Writes the file with its empty root, then reads it back and appends one element.
void writeDiagnosticXml(const CString& path)
{
    CFileUtilities files;
    if (files.fileExists(path))
        files.deleteFile(path);
    CXMLUtilities utilities;
    utilities.createXMLDoc(path, CString(), "root", SETTINGS_NAMESPACE);
    CoInitializeScope com;
    MSXML2::IXMLDOMDocumentPtr document;
    document.CreateInstance("Msxml2.DOMDocument");
    try {
        document->load(path);
        MSXML2::IXMLDOMNodePtr root = document->selectSingleNode("/*");
        root->appendChild(utilities.createNode("name", "value", SETTINGS_NAMESPACE));
        document->save(path);
    } catch (const _com_error& e) {
        throw new CEXUnhandled(e, KAVRO_PRODUCT_CAPTION, MODULE_MAIN_FILE, "diagnosticXML", 0);
    }
}

} // namespace

void diagnosticAll()
{
    diagnosticBasic();
    diagnosticErrorsA();
    diagnosticErrorsB();
    diagnosticErrorsC();
    diagnosticErrorsD();
    diagnosticUserInput();
    diagnosticXML();
}

void diagnosticBasic()
{
    acutPrintf("basic test - output to commandline\n");
    acutPrintf("basic test successful\n");
    acutPrintf("basic test completed\n");
}

void diagnosticDialog()
{
    runCommand("diagnosticDialog", nullptr, [](CAcadDrawing*) {
        acutPrintf("dialog test - opens browse for file dialog\n");
        CFileUtilities().browseForFile("All Files (*.*)|*.*");
        acutPrintf("dialog test completed\n");
    });
}

void diagnosticErrorsA()
{
    throwAndHandle("Error Test A - throws test error\n", "diagnosticErrorsA");
}

void diagnosticErrorsB()
{
    throwAndHandle("Error Test B - throws test error\n", "diagnosticErrorsB");
}

void diagnosticErrorsC()
{
    const char* const name = __func__;
    runCommand("diagnosticErrorsC", nullptr, [name](CAcadDrawing*) {
        acutPrintf("Error Test C - retrieve function name\n");
        acutPrintf("function %s\n", name);
    });
}

void diagnosticErrorsD()
{
    runCommand("diagnosticErrorsD", nullptr, [](CAcadDrawing*) {
        acutPrintf("Error Test C - retrieve file name\n");
        acutPrintf("file %s\n", QV_DIAGNOSTICS_SOURCE);
    });
}

void diagnosticUserInput()
{
    runCommand("diagnosticUserInput", nullptr, [](CAcadDrawing*) {
        acutPrintf("user input test - tests boolean, double, integer, string input\n");
        CAcadUtilities utilities;
        BOOL answer = TRUE;
        utilities.getBoolean("testing boolean input. Type 0 or 1 and then enter", TRUE, &answer);
        // The yes/no answer is passed as an integer: 1 or 0.
        acutPrintf("boolean user input test successful - %i\n", answer ? 1 : 0);
        double decimal = 0.0;
        utilities.getDouble("testing decimal input. Type a decimal number and then enter", 1.001, 3, &decimal);
        acutPrintf("decimal user input test successful - %s\n", CUtilities::DoubleToCString(decimal, 3));
        int integer = 0;
        utilities.getInteger("testing integer input. Type an integer(whole) number and then enter", 27, &integer);
        acutPrintf("integer user input test successful - %i\n", integer);
        CString text;
        utilities.getString("testing text input. Type some text and then enter", "diagnosis", &text);
        acutPrintf("text user input test successful - %s\n", text);
        acutPrintf("user input test finished\n");
    });
}

void diagnosticXML()
{
    runCommand("diagnosticXML", nullptr, [](CAcadDrawing*) {
        acutPrintf("xml test - outputs xml file to specified location\n");
        CString path;
        CAcadUtilities().getString("please enter output file path", defaultXmlPath(), &path);
        writeDiagnosticXml(qv::withHomeExpanded(path.str()));
        acutPrintf("xml test completed successfully\n");
    });
}
