// A platform file that is fine on its own.
#include "platform/DynamicLibrary.h"
