#include "support/wait.h"
