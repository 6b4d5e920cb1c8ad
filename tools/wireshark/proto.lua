-- Dissector for the audio processors' network protocols: Frames on TCP 2699, announcements on
-- UDP 6696, command datagrams on UDP 6001. The plugin is gen_fields.py's block tables from
-- `dapctl describe --json` followed by proto.lua, blocks.lua and dapnet.lua, in this order.

local description = DAPNET_DESCRIPTION

local TCP_PORT, ANN_PORT, CMD_PORT = 2699, 6696, 6001
local START_MARKER, END_MARKER = 0x7D82, 0x827D
local HEADER, OVERHEAD = 10, 12
-- The program's send buffer holds 2048 bytes: no Frame can carry more.
local MAX_PAYLOAD = 2036
local ANN_SIZE = 140

local p = Proto("dapnet", "Audio processor network protocol")

local classes = { [1] = "firmware upgrade", [2] = "system", [3] = "module message" }
local directions = { [0] = "request", [1] = "set", [0x80] = "report" }
local targets = { [1] = "ARM image", [2] = "DSP image" }
local commands = { [2] = "set network addresses" }
-- Text the processor sends is GB2312; Wireshark reads it as GB18030, its superset.
local TEXT_ENC = ENC_GB18030 or ENC_ASCII

local f = {
    start = ProtoField.uint16("dapnet.start", "Start marker", base.HEX),
    code = ProtoField.uint16("dapnet.code", "Code", base.DEC),
    class = ProtoField.uint8("dapnet.class", "Frame class", base.DEC, classes),
    type = ProtoField.uint8("dapnet.type", "Frame type", base.DEC),
    param = ProtoField.uint8("dapnet.param", "Parameter code", base.DEC),
    dir = ProtoField.uint8("dapnet.dir", "Direction", base.HEX, directions),
    len = ProtoField.uint16("dapnet.len", "Payload length", base.DEC),
    payload = ProtoField.bytes("dapnet.payload", "Payload"),
    stop = ProtoField.uint16("dapnet.end", "End marker", base.HEX),
    block = ProtoField.string("dapnet.block", "Block"),
    channel = ProtoField.uint8("dapnet.channel", "Channel", base.DEC),
    subindex = ProtoField.uint8("dapnet.subindex", "Sub-index", base.DEC),
    action = ProtoField.string("dapnet.action", "Action"),
    xfer = ProtoField.string("dapnet.presets.transfer", "Preset transfer"),
    xfer_block = ProtoField.uint16("dapnet.presets.transfer.block", "Block number", base.DEC),
    xfer_slot = ProtoField.uint8("dapnet.presets.transfer.slot", "Slot (from 0)", base.DEC),
    xfer_size = ProtoField.uint32("dapnet.presets.transfer.size", "Size (bytes)", base.DEC),
    xfer_count = ProtoField.uint32("dapnet.presets.transfer.count", "Count (bytes)", base.DEC),
    xfer_progress = ProtoField.uint8("dapnet.presets.transfer.progress", "Progress (%)", base.DEC),
    xfer_data = ProtoField.bytes("dapnet.presets.transfer.data", "Preset bytes"),
    junk = ProtoField.bytes("dapnet.junk", "Bytes outside any Frame"),
    password = ProtoField.string("dapnet.password", "Password (clear text)"),
    login_result = ProtoField.uint8("dapnet.login.result", "Login result", base.DEC),
    fw_target = ProtoField.uint8("dapnet.firmware.target", "Upgrade target", base.DEC, targets),
    fw_block = ProtoField.uint16("dapnet.firmware.block", "Block index", base.DEC),
    fw_data = ProtoField.bytes("dapnet.firmware.data", "Image bytes"),
    fw_ack = ProtoField.uint16("dapnet.firmware.ack", "Acknowledged block", base.DEC),

    ann_machineid = ProtoField.uint32("dapnet.ann.machineid", "Machine id", base.DEC_HEX),
    ann_ip = ProtoField.ipv4("dapnet.ann.ip", "Address"),
    ann_runtime = ProtoField.uint32("dapnet.ann.runtime", "Run time (s)", base.DEC),
    ann_totaltime = ProtoField.uint32("dapnet.ann.totaltime", "Total time (s)", base.DEC),
    ann_reserved = ProtoField.bytes("dapnet.ann.reserved", "Reserved"),
    ann_sn = ProtoField.string("dapnet.ann.sn", "Serial number"),
    ann_model = ProtoField.string("dapnet.ann.model", "Model"),
    ann_arm = ProtoField.string("dapnet.ann.arm", "ARM firmware"),
    ann_dsp = ProtoField.string("dapnet.ann.dsp", "DSP firmware"),
    ann_location = ProtoField.string("dapnet.ann.location", "Location"),
    ann_description = ProtoField.string("dapnet.ann.description", "Description"),
    ann_preset = ProtoField.string("dapnet.ann.preset", "Preset"),
    ann_fault = ProtoField.uint8("dapnet.ann.fault", "Fault", base.DEC, { [0] = "no fault" }),
    ann_trailing = ProtoField.bytes("dapnet.ann.trailing", "Bytes after the announcement"),

    cmd_machineid = ProtoField.uint32("dapnet.cmd.machineid", "Machine id", base.DEC_HEX),
    cmd_command = ProtoField.uint8("dapnet.cmd.command", "Command", base.DEC, commands),
    cmd_reserved = ProtoField.bytes("dapnet.cmd.reserved", "Reserved"),
    cmd_length = ProtoField.uint32("dapnet.cmd.length", "Payload length", base.DEC),
    cmd_payload = ProtoField.bytes("dapnet.cmd.payload", "Payload"),
    cmd_ip = ProtoField.ipv4("dapnet.cmd.ip", "New address"),
    cmd_mask = ProtoField.ipv4("dapnet.cmd.mask", "Subnet mask"),
    cmd_gateway = ProtoField.ipv4("dapnet.cmd.gateway", "Gateway"),
}

local function expert_info(abbr, text, group, severity)
    return ProtoExpert.new(abbr, text, expert.group[group], expert.severity[severity])
end

local e = {
    bad_start = expert_info("dapnet.bad_start",
        "Bad start marker: bytes skipped up to the next one", "MALFORMED", "ERROR"),
    bad_end = expert_info("dapnet.bad_end", "Bad end marker", "MALFORMED", "ERROR"),
    too_long = expert_info("dapnet.too_long",
        "Declared payload length beyond what any Frame can carry", "MALFORMED", "ERROR"),
    short = expert_info("dapnet.short", "Declared payload length beyond the data",
        "MALFORMED", "ERROR"),
    bad_header = expert_info("dapnet.bad_header", "Frame class or direction no Frame has",
        "PROTOCOL", "WARN"),
    unknown_block = expert_info("dapnet.unknown_block", "Unknown block", "UNDECODED", "WARN"),
    unknown_code = expert_info("dapnet.unknown_code",
        "Parameter code not described for this block", "UNDECODED", "NOTE"),
    bad_length = expert_info("dapnet.bad_length", "Payload length differs from the message's",
        "PROTOCOL", "WARN"),
    bad_channel = expert_info("dapnet.bad_channel", "Channel beyond the block's channels",
        "PROTOCOL", "WARN"),
    cleartext = expert_info("dapnet.cleartext", "Password sent in clear text", "SECURITY", "WARN"),
    ann_short = expert_info("dapnet.ann.short",
        "Announcement shorter than 140 bytes (ignored by receivers)", "MALFORMED", "ERROR"),
    ann_trailing = expert_info("dapnet.ann.trailing_bytes",
        "Bytes after the 140-byte announcement (ignored)", "PROTOCOL", "NOTE"),
    cmd_bad_length = expert_info("dapnet.cmd.bad_length",
        "Command length differs from the datagram", "MALFORMED", "ERROR"),
}

