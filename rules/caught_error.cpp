// SPDX-License-Identifier: MIT
#include "rules/caught_error.h"

#include "rules/errors.h"

#include <new>

namespace mrfyc {

CaughtError CaughtError::From(const std::exception_ptr &error)
{
    try {
        std::rethrow_exception(error);
    } catch (const Exception &exception) {
        return {std::string(exception.ClassName()), exception.Message(), exception.Address(),
                dynamic_cast<const EAbort *>(&exception) != nullptr};
    } catch (const std::bad_alloc &) {
        return {"EOutOfMemory", std::string(kOutOfMemoryText)};
    } catch (const std::exception &exception) {
        return {"Exception", exception.what()};
    } catch (...) {
        return {"Exception", ""};
    }
}

} // namespace mrfyc
