#include "platform/kernel/object.h"

namespace qms::kernel {

Object::~Object() = default;

BOOL Object::onHandleClosed()
{
    return TRUE;
}

} // namespace qms::kernel
