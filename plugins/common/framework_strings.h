// The framework's message texts in every plug-in's string table.
#pragma once

#define ZAR_STRING_INTEGER_RANGE "An integer is required between ^1 and ^2."
#define ZAR_STRING_DECIMAL_RANGE "A decimal number is required between ^1 and ^2."
#define ZAR_STRING_NEEDS_HOST "This plug-in requires Adobe Photoshop\256 ^1 or later functionality."
#define ZAR_STRING_INCOMPATIBLE "This plug-in is incompatible with this version of the host program."
