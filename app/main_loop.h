#pragma once

[[noreturn]] void run_main_loop();
