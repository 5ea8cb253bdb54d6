// The wizard's Windows tests: the control layer is set up once, as the program does at start.
#include <gtest/gtest.h>

#include "platform/ui/app.h"
#include "platform/win/com.h"

int main(int argc, char** argv) {
    vorlane::win::ComInit com;
    vorlane::ui::InitApplication("Instalador Vorlane");
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
