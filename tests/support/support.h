// Shared helpers of the tests: the loopback HTTP server and fixtures.
#pragma once
