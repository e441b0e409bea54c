#pragma once
// Detection Check: how plainly the picture's lowest bits show hidden data, by three detectors on
// each colour channel, with the payload that should keep them quiet.

class C_Carrier;
class C_Prompts;

class C_DetectionCheckCommand {
public:
    static void Run(const C_Carrier& carrier, C_Prompts& prompts);
};
