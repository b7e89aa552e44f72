#include "engine/render/operator_list.h"

#include "engine/render/xobject_descriptor.h"

OperatorList::OperatorList() = default;
OperatorList::~OperatorList() = default;
OperatorList::OperatorList(OperatorList&&) noexcept = default;
OperatorList& OperatorList::operator=(OperatorList&&) noexcept = default;

XObjectDescriptor::XObjectDescriptor() = default;
XObjectDescriptor::~XObjectDescriptor() = default;
