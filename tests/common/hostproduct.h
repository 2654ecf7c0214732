// A test fixture for the host's identity: while it lives, the host says it is the given
// product and the module's host identity (acadHost) is found afresh from it; both return
// to what they were when it goes, whatever the test did in between.
#pragma once

#include "arx/dbdatabase.h"
#include "host/acadhost.h"

#include <string>

class HostProduct
{
public:
    explicit HostProduct(const char* product) : m_saved(acdbHostApplicationServices()->product()) { use(product); }
    ~HostProduct() { use(m_saved.c_str()); }
    HostProduct(const HostProduct&) = delete;
    HostProduct& operator=(const HostProduct&) = delete;

    void use(const char* product)
    {
        acdbHostApplicationServices()->setProduct(product);
        acadHost = CAcadHost();
    }

private:
    std::string m_saved;
};
