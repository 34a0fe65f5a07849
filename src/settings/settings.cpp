// Placeholder until the reader lands.
#include "settings/settings.h"
