#include "tests/e2e/UserSessionFixture.h"
