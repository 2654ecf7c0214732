// The wrapping every method of the module follows: its body runs under three handlers, and
// whatever leaves it is a new CEXUnhandled that names the method and its source file:
//   1. a framework exception becomes the record's description (no inner record);
//   2. a module error becomes the new record's inner record;
//   3. anything else becomes a plain "unhandled error".
// Some methods have no handler 1 (framework exceptions then fall to handler 3), some also
// describe standard-library exceptions, and some let one error type pass unchanged.
#pragma once

#include "support/exunhandled.h"

#include <memory>

// The source of every record the module raises.
inline constexpr const char* KAVRO_PRODUCT_CAPTION = "KAVRO Quorvane compatible with 64bit AutoCAD 2019";

enum KavroHandlers : unsigned {
    kFrameworkHandler = 1, // handler 1: describe framework exceptions
    kStandardHandler = 2,  // describe standard-library exceptions by their text
    kDefaultHandlers = kFrameworkHandler,
};

// A type that is never thrown: the default for "nothing passes through".
struct NoPassThrough {};

template <class PassThrough = NoPassThrough, class Body>
auto kavroGuard(const char* procSig, const char* file, Body&& body,
                unsigned handlers = kDefaultHandlers) -> decltype(body())
{
    try {
        return body();
    } catch (PassThrough*) {
        throw;
    } catch (CException* e) {
        std::unique_ptr<CException, void (*)(CException*)> owned(e, [](CException* x) { x->Delete(); });
        if (handlers & kFrameworkHandler)
            throw new CEXUnhandled(e, KAVRO_PRODUCT_CAPTION, file, procSig, 0, nullptr);
        throw new CEXUnhandled(KAVRO_PRODUCT_CAPTION, file, procSig, 0, nullptr);
    } catch (CEXKavro* e) {
        throw new CEXUnhandled(KAVRO_PRODUCT_CAPTION, file, procSig, 0, e);
    } catch (const std::exception& e) {
        if (handlers & kStandardHandler)
            throw new CEXUnhandled(e, KAVRO_PRODUCT_CAPTION, file, procSig, 0, nullptr);
        throw new CEXUnhandled(KAVRO_PRODUCT_CAPTION, file, procSig, 0, nullptr);
    } catch (...) {
        throw new CEXUnhandled(KAVRO_PRODUCT_CAPTION, file, procSig, 0, nullptr);
    }
}

// Runs a clean-up from a destructor, where a framework error must not escape.
template <class CleanUp>
void cleanUpQuietly(CleanUp&& cleanUp)
{
    try {
        cleanUp();
    } catch (CEXKavro* e) {
        CEXKavro::deleteChain(e);
    }
}

// kavroGuard with one more handler in front of the three: a COM error of the data-access or
// XML layer is handed to raiseRecord(const _com_error&), which throws the record that
// describes it, as its own class and past the other handlers.
template <class RaiseRecord, class Body>
auto kavroComGuard(const char* procSig, const char* file, RaiseRecord&& raiseRecord, Body&& body,
                   unsigned handlers = kDefaultHandlers) -> decltype(body())
{
    // Carries the COM error past kavroGuard's handlers, which would wrap its record.
    struct ComFailure
    {
        _com_error error;
    };
    try {
        return kavroGuard<ComFailure>(procSig, file, [&]() -> decltype(body()) {
            try {
                return body();
            } catch (const _com_error& e) {
                throw new ComFailure{e};
            }
        }, handlers);
    } catch (ComFailure* failure) {
        const _com_error error = failure->error;
        delete failure;
        raiseRecord(error);
        throw new CEXUnhandled(error, KAVRO_PRODUCT_CAPTION, file, procSig, high);
    }
}

// Raises the COM form of CEXUnhandled, for methods that describe a COM error with it.
inline auto comUnhandled(const char* procSig, const char* file)
{
    return [=](const _com_error& e) { throw new CEXUnhandled(e, KAVRO_PRODUCT_CAPTION, file, procSig, high); };
}
