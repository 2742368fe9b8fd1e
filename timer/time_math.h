// The timer's arithmetic on times, free of windows and clocks so that tests reach every branch.
#pragma once
