// The length of one drawing unit, by which what is measured in a drawing becomes square
// metres and metres, or square feet and feet.
#pragma once

#include "host/measureunits.h"

class AcDbDatabase;

class CDrawingUnit
{
public:
    // The unit of a drawing that names none: the inch for linear units 3 or 4
    // (architectural, engineering), the millimetre for any other.
    explicit CDrawingUnit(short linearUnits);
    // The drawing's own unit: the one its insertion units ($INSUNITS) name where they name
    // a unit of length, else the one its linear units imply, as drawings that name none have
    // always been measured.
    static CDrawingUnit of(const AcDbDatabase* database);

    // What a length and an area in drawing units are divided by to give metres and square
    // metres, or feet and square feet (imperial units; known units only).
    double lengthDivisor(CMeasureUnits units) const;
    double areaDivisor(CMeasureUnits units) const;
    // The unit's symbol ("mm", "cm", "in", ...).
    const char* symbol() const;
    bool isMillimetre() const;
    // Says which unit areas are measured with, and why, and how to change it, unless it is the
    // millimetre.
    void announce() const;

private:
    CDrawingUnit(int row, bool named) : m_row(row), m_named(named) {}

    int m_row;      // the unit's row of the table, by its insertion-units code
    bool m_named;   // the drawing's insertion units name it
};
