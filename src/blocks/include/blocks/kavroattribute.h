// One of the three attributes of a space block, known by its kind: 0 NAME (the space's
// name), 1 AREA (its area text), 2 AUX (an auxiliary value).
#pragma once

#include "blocks/attribute.h"

enum KavroAttributeKind : int { kNameAttribute = 0, kAreaAttribute = 1, kAuxAttribute = 2 };

class CKavroAttribute : public CAttribute
{
public:
    CKavroAttribute() = default;
    // A new attribute of the kind (with its tag) holding the value.
    static CKavroAttribute* create(int kind, const CString& value);

    // Stores the kind and, for the three kinds, writes the kind's tag.
    void setKind(int kind);
    int getKind() const { return m_kind; }
    const CKavroAttribute* asKavroAttribute() const override { return this; }
    // A new attribute of the same kind, value and exists flag (no layer, no object id).
    CKavroAttribute* clone() const;

    // The tag of a kind, or null for any other value.
    static const char* tagOf(int kind);

private:
    int m_kind = -1;
};
