// The units a space's measures are given in: square metres and metres, square feet and feet,
// or, for a record that names no unit the module knows, unknown units. Every command and dialog
// reads a record's units, writes their texts and converts between them here.
#pragma once

#include <string_view>

class CMeasureUnits
{
public:
    static const CMeasureUnits kMetric;
    static const CMeasureUnits kImperial;
    static const CMeasureUnits kUnknown;

    // The units a preference or a marker gives by number: 1 imperial, any other metric; and
    // back (known units only).
    static CMeasureUnits fromPreference(int number);
    int preference() const { return m_kind == Kind::kImperial ? 1 : 0; }

    bool known() const { return m_kind != Kind::kUnknown; }
    bool imperial() const { return m_kind == Kind::kImperial; }
    bool operator==(const CMeasureUnits& other) const { return m_kind == other.m_kind; }

    // The texts records and the AREA and AUX texts write after a number ("sq.m.", "m.",
    // "cu.m."; "sq.ft.", "ft.", "cu.ft."), and the symbols files and dialogs show ("m²", "m";
    // "ft²", "ft"); none for unknown units.
    const char* areaText() const;
    const char* lengthText() const;
    const char* volumeText() const;
    const char* areaSymbol() const;
    const char* lengthSymbol() const;

    // An area or a length given in the units `from`, in these units: converted between metric
    // and imperial, as it is between unknown units and any.
    double area(double value, CMeasureUnits from) const;
    double length(double value, CMeasureUnits from) const;

    // Reads an area or a length as a record or a text gives it, the number followed by its
    // unit's text ("20.00sq.m.", "6.50ft."): the units that text names, unknown for none or a
    // text the module does not know ("sq.yd."), and the number's text, the unit's left off.
    static CMeasureUnits readArea(std::string_view text, std::string_view& number);
    static CMeasureUnits readLength(std::string_view text, std::string_view& number);

private:
    enum class Kind { kMetric, kImperial, kUnknown };
    explicit constexpr CMeasureUnits(Kind kind) : m_kind(kind) {}

    Kind m_kind;
};
