// One hyperlink of an entity: the address (its name), the text shown for it and a place
// inside the target (sub-location).
#pragma once

#include <string>

class AcDbHyperlink
{
public:
    AcDbHyperlink() = default;
    AcDbHyperlink(std::string name, std::string description, std::string subLocation)
        : m_name(std::move(name)), m_description(std::move(description)), m_subLocation(std::move(subLocation)) {}

    const char* name() const { return m_name.c_str(); }
    void setName(const char* name) { m_name = name ? name : ""; }
    const char* description() const { return m_description.c_str(); }
    void setDescription(const char* description) { m_description = description ? description : ""; }
    const char* subLocation() const { return m_subLocation.c_str(); }
    void setSubLocation(const char* subLocation) { m_subLocation = subLocation ? subLocation : ""; }

    bool operator==(const AcDbHyperlink&) const = default;

private:
    std::string m_name;
    std::string m_description;
    std::string m_subLocation;
};
