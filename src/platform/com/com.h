#pragma once
// The COM stand-in in one include: status codes, identifiers, strings,
// variants, arrays, interfaces, object base, class factory, safecall guard.

#include "platform/com/bstr.h"
#include "platform/com/class_factory.h"
#include "platform/com/com_error.h"
#include "platform/com/com_object.h"
#include "platform/com/com_ptr.h"
#include "platform/com/guid.h"
#include "platform/com/interfaces.h"
#include "platform/com/object_counts.h"
#include "platform/com/ole_date.h"
#include "platform/com/safearray.h"
#include "platform/com/safecall.h"
#include "platform/com/types.h"
#include "platform/com/variant.h"
