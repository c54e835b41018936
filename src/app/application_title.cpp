#include "app/application_title.h"

namespace sw {

const char* const kApplicationTitle = "Skinwright";
const char* const kTaskbarTitle = "ZEV SW";

} // namespace sw
