#pragma once
void local_helper(void) {}
