#include "blocks/kavroattribute.h"

#include "support/kavroguard.h"

CKavroAttribute* CKavroAttribute::create(int kind, const CString& value)
{
    auto* attribute = new CKavroAttribute;
    attribute->setKind(kind);
    attribute->setValue(value);
    return attribute;
}

const char* CKavroAttribute::tagOf(int kind)
{
    static const char* const tags[] = {"NAME", "AREA", "AUX"};
    return kind >= 0 && kind < 3 ? tags[kind] : nullptr;
}

void CKavroAttribute::setKind(int kind)
{
    kavroGuard("CKavroAttribute::setKind", __FILE__, [&] {
        m_kind = kind;
        if (const char* tag = tagOf(kind))
            setTag(tag);
    });
}

CKavroAttribute* CKavroAttribute::clone() const
{
    return kavroGuard("CKavroAttribute::clone", __FILE__, [&] {
        auto* copy = new CKavroAttribute;
        copy->setTag(getTag());
        copy->setKind(m_kind);
        copy->setValue(getValue());
        copy->setExists(getExists());
        return copy;
    });
}
