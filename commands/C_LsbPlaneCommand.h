#pragma once
// View > Least Significant Bits: the picture's lowest bits as a picture of their own, where data
// hidden at a high rate shows as even noise.

class C_Carrier;
class C_Prompts;

class C_LsbPlaneCommand {
public:
    static void Run(const C_Carrier& carrier, C_Prompts& prompts);
};
