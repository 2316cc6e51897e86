#pragma once
// The base of session-like API objects; Session derives from it.
#include <memory>

#include "api/ApiBase.h"

namespace vkr {

class ApiObject : public ApiBase {
public:
    std::unique_ptr<ApiBase> Clone() const override = 0;

protected:
    ApiObject() = default;
};

}  // namespace vkr
