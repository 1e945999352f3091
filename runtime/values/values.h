// The value types programs use: text, checked arrays, number text and conversions.
#pragma once

#include "runtime/values/conversions.h"
#include "runtime/values/number_text.h"
#include "runtime/values/rt_array.h"
#include "runtime/values/rt_string.h"
