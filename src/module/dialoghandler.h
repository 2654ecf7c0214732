// The frame of a dialog handler: a failure of its work never leaves the handler (it would
// end the host from inside the event loop); it is shown in the "Error Detected." box under
// the handler's signature and the dialog stays usable.
#pragma once

#include "mfc/exceptions.h"
#include "support/exunhandled.h"
#include "support/kavroguard.h"

#include <exception>

namespace qv::module {

inline void showFailure(CEXUnhandled* head)
{
    head->display();
    CEXKavro::deleteChain(head);
}

template <class Body>
void runHandler(const char* file, const char* signature, Body&& body)
{
    try {
        body();
    } catch (CEXKavro* e) {
        showFailure(new CEXUnhandled(KAVRO_PRODUCT_CAPTION, file, signature, 0, e));
    } catch (CException* e) {
        showFailure(new CEXUnhandled(e, KAVRO_PRODUCT_CAPTION, file, signature, 0, nullptr));
        e->Delete();
    } catch (const std::exception& e) {
        showFailure(new CEXUnhandled(e, KAVRO_PRODUCT_CAPTION, file, signature, 0, nullptr));
    } catch (...) {
        showFailure(new CEXUnhandled(KAVRO_PRODUCT_CAPTION, file, signature, 0, nullptr));
    }
}

} // namespace qv::module
