// Run-time class information: every database object reports its class, whose name is the
// host's class name ("AcDbPolyline"), and casts follow the class tree.
#pragma once

class AcRxClass
{
public:
    AcRxClass(const char* name, const AcRxClass* parent, const char* dxfName = "")
        : m_name(name), m_parent(parent), m_dxfName(dxfName) {}
    const char* name() const { return m_name; }
    const char* dxfName() const { return m_dxfName; }
    const AcRxClass* myParent() const { return m_parent; }
    bool isDerivedFrom(const AcRxClass* other) const
    {
        for (const AcRxClass* c = this; c; c = c->m_parent)
            if (c == other)
                return true;
        return false;
    }

private:
    const char* m_name;
    const AcRxClass* m_parent;
    const char* m_dxfName;
};

class AcRxObject
{
public:
    virtual ~AcRxObject() = default;
    static const AcRxClass* desc();
    virtual const AcRxClass* isA() const { return desc(); }
    bool isKindOf(const AcRxClass* cls) const { return isA()->isDerivedFrom(cls); }
    // Protocol extension: the object registered for the protocol class on this object's
    // class or its nearest parent; null when none is.
    AcRxObject* x(const AcRxClass* protocolClass) const;
    // Registers an extension object (kept for the process's life) for a protocol class on a
    // class and, through x, on every class derived from it.
    static void addX(const AcRxClass* on, const AcRxClass* protocolClass, AcRxObject* extension);
};

#define ACRX_DECLARE_MEMBERS(CLASS)                                                    \
    static const AcRxClass* desc();                                                    \
    static CLASS* cast(const AcRxObject* p)                                            \
    {                                                                                  \
        return p && p->isKindOf(desc()) ? static_cast<CLASS*>(const_cast<AcRxObject*>(p)) : nullptr; \
    }                                                                                  \
    const AcRxClass* isA() const override { return desc(); }

#define ACRX_DEFINE_MEMBERS(CLASS, PARENT, DXFNAME)                                    \
    const AcRxClass* CLASS::desc()                                                     \
    {                                                                                  \
        static const AcRxClass cls(#CLASS, PARENT::desc(), DXFNAME);                   \
        return &cls;                                                                   \
    }
