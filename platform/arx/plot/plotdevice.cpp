#include "arx/plotdevice.h"

#include "arx/dxftext.h"

namespace qv {

namespace {

struct Device
{
    const char* name;
    const char* format;
};

constexpr Device kDevices[] = {
    {"DWG To PDF.pc3", "pdf"},
    {"PublishToWeb PNG.pc3", "png"},
    {"PublishToWeb JPG.pc3", "jpg"},
    {"DWF6 ePlot.pc3", "dwf"},
};

} // namespace

const std::vector<std::string>& PlotDevice::names()
{
    static const std::vector<std::string> written = {kDevices[0].name, kDevices[1].name, kDevices[2].name};
    return written;
}

std::string PlotDevice::format(const std::string& name)
{
    for (const Device& device : kDevices)
        if (dxf::equalNoCase(name, device.name))
            return device.format;
    return "";
}

std::string PlotDevice::find(const std::string& answer)
{
    std::string format = dxf::upper(answer);
    if (!format.empty() && format[0] == '.')
        format.erase(0, 1);
    if (format == "JPEG")
        format = "JPG";
    for (const Device& device : kDevices)
        if (dxf::equalNoCase(answer, device.name) || format == dxf::upper(device.format))
            return device.name;
    return "";
}

std::string PlotDevice::refusal(const std::string& name)
{
    const std::string written = format(name);
    if (written.empty())
        return "unknown plot device \"" + name + "\"";
    if (written == "dwf")
        return "the device \"" + name
            + "\" cannot be plotted to here: no writer of its format is available; plot to PDF, PNG or JPG";
    return "";
}

} // namespace qv
