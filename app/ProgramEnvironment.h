#pragma once
// The environment the program runs its update in: the installation is where
// its own file lies, and the update server and the publisher's key are those
// it was built for.
#include "app/update/UpdateEnvironment.h"

UpdateEnvironment ProgramEnvironment();
