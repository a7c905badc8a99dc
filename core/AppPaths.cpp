#include "core/AppPaths.h"

AppPathsRecord AppPaths;
