-- Dissector for the audio processors' network protocols: Frames on TCP 2699, announcements on
-- UDP 6696, command datagrams on UDP 6001. The installed plugin is this file behind the block
-- tables that gen_fields.py writes from `dapctl describe --json`; loaded alone it still decodes
-- framing, announcements, commands, login and firmware, and marks module payloads undescribed.

local description = DAPNET_DESCRIPTION or { blocks = {} }

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

local e = {
    bad_start = ProtoExpert.new("dapnet.bad_start", "Bad start marker: bytes skipped up to the next one",
        expert.group.MALFORMED, expert.severity.ERROR),
    bad_end = ProtoExpert.new("dapnet.bad_end", "Bad end marker",
        expert.group.MALFORMED, expert.severity.ERROR),
    too_long = ProtoExpert.new("dapnet.too_long", "Declared payload length beyond what any Frame can carry",
        expert.group.MALFORMED, expert.severity.ERROR),
    short = ProtoExpert.new("dapnet.short", "Declared payload length beyond the data",
        expert.group.MALFORMED, expert.severity.ERROR),
    bad_header = ProtoExpert.new("dapnet.bad_header", "Frame class or direction no Frame has",
        expert.group.PROTOCOL, expert.severity.WARN),
    unknown_block = ProtoExpert.new("dapnet.unknown_block", "Unknown block",
        expert.group.UNDECODED, expert.severity.WARN),
    unknown_code = ProtoExpert.new("dapnet.unknown_code", "Parameter code not described for this block",
        expert.group.UNDECODED, expert.severity.NOTE),
    bad_length = ProtoExpert.new("dapnet.bad_length", "Payload length differs from the message's",
        expert.group.PROTOCOL, expert.severity.WARN),
    bad_channel = ProtoExpert.new("dapnet.bad_channel", "Channel beyond the block's channels",
        expert.group.PROTOCOL, expert.severity.WARN),
    cleartext = ProtoExpert.new("dapnet.cleartext", "Password sent in clear text",
        expert.group.SECURITY, expert.severity.WARN),
    ann_short = ProtoExpert.new("dapnet.ann.short", "Announcement shorter than 140 bytes (ignored by receivers)",
        expert.group.MALFORMED, expert.severity.ERROR),
    ann_trailing = ProtoExpert.new("dapnet.ann.trailing_bytes", "Bytes after the 140-byte announcement (ignored)",
        expert.group.PROTOCOL, expert.severity.NOTE),
    cmd_bad_length = ProtoExpert.new("dapnet.cmd.bad_length", "Command length differs from the datagram",
        expert.group.MALFORMED, expert.severity.ERROR),
}

-- Fields of the described blocks ------------------------------------------------------------

local function make_field(abbr, d)
    local enc = d.encoding or ""
    local label = d.label or d.name
    if d.type == "bool" then
        return ProtoField.bool(abbr, label, base.NONE, { "on", "off" })
    end
    local vs = nil
    if d.values then
        vs = {}
        for i, v in ipairs(d.values) do vs[i - 1] = v end
    end
    if enc == "f32le" then return ProtoField.float(abbr, label) end
    if enc == "u8" then return ProtoField.uint8(abbr, label, base.DEC, vs) end
    if enc == "i8" then return ProtoField.int8(abbr, label, base.DEC, vs) end
    if enc == "u16le" then return ProtoField.uint16(abbr, label, base.DEC, vs) end
    if enc == "i16le" then return ProtoField.int16(abbr, label, base.DEC, vs) end
    if enc == "u32le" then return ProtoField.uint32(abbr, label, base.DEC, vs) end
    if enc == "i32le" then return ProtoField.int32(abbr, label, base.DEC, vs) end
    if enc:match("^text:%d+$") then return ProtoField.string(abbr, label) end
    return ProtoField.bytes(abbr, label)
end

-- Width in bytes of a value of this encoding; nil when the description names one not known here.
local function encoding_size(enc)
    local sizes = { f32le = 4, u8 = 1, i8 = 1, u16le = 2, i16le = 2, u32le = 4, i32le = 4 }
    if sizes[enc] then return sizes[enc] end
    local n = enc and enc:match("^text:(%d+)$") or (enc and enc:match("^bytes:(%d+)$"))
    return n and tonumber(n) or nil
end

local by_type = { [2] = {}, [3] = {} } -- [class][frame type] = block
local protofields = {}                 -- abbr = ProtoField, one per described name
for _, b in ipairs(description.blocks) do
    b.by_code = {}
    for _, d in ipairs(b.fields or {}) do
        d.size = encoding_size(d.encoding)
        if d.size and d.code and d.offset then
            if not protofields[d.abbr] then protofields[d.abbr] = make_field(d.abbr, d) end
            d.field = protofields[d.abbr]
            local k = d.class or b.class
            local t = d.frame_type or b.types[1]
            local list = b.by_code[k .. "." .. t .. "." .. d.code] or {}
            list[#list + 1] = d
            b.by_code[k .. "." .. t .. "." .. d.code] = list
        end
    end
    for _, t in ipairs(b.types) do
        if by_type[b.class] then by_type[b.class][t] = b end
    end
end

local all = {}
for _, v in pairs(f) do all[#all + 1] = v end
for _, v in pairs(protofields) do all[#all + 1] = v end
p.fields = all
local experts = {}
for _, v in pairs(e) do experts[#experts + 1] = v end
p.experts = experts

-- Helpers ----------------------------------------------------------------------------------

-- A text field ends at its first NUL or at its end, whichever comes first.
local function add_text(tree, field, range, enc)
    local n = 0
    local len = range:len()
    while n < len and range(n, 1):uint() ~= 0 do n = n + 1 end
    local value = n > 0 and range(0, n):string(enc or TEXT_ENC) or ""
    return tree:add(field, range, value)
end

local function add_value(tree, d, range)
    local item
    if d.encoding:match("^text:") then
        item = add_text(tree, d.field, range)
    elseif d.type == "bool" or d.size == 1 then
        item = tree:add(d.field, range)
    else
        item = tree:add_le(d.field, range)
    end
    if d.unit and d.unit ~= "" then item:append_text(" " .. d.unit) end
    return item
end

local function channel_name(b, ch)
    return (b.side or "") .. tostring(ch + 1)
end

-- "%dday %02d:%02d:%02d", as the window shows operating times.
local function duration(s)
    return string.format("%dday %02d:%02d:%02d", math.floor(s / 86400), math.floor(s / 3600) % 24,
        math.floor(s / 60) % 60, s % 60)
end

local class2_names = { [1] = "login", [2] = "settings", [3] = "settings", [4] = "settings",
    [5] = "security" }

-- Messages whose payload is a password: the protocol sends it as Latin-1 bytes in clear.
local password_messages = {
    ["2.1.1"] = "login",
    ["2.2.14"] = "new login password",
    ["2.5.1"] = "security page access",
    ["2.5.2"] = "new lock password",
}

local function add_password(tree, payload, what)
    local item
    if payload then
        item = tree:add(f.password, payload, payload:string(ENC_ISO_8859_1))
    else
        item = tree:add(f.password, "")
    end
    item:append_text(" (" .. what .. ")")
    item:add_proto_expert_info(e.cleartext, "Password sent in clear text: " .. what)
end

-- Payloads ---------------------------------------------------------------------------------

local function decode_firmware(tree, dir, payload, n)
    if dir == 1 then
        if n < 3 or n > 1026 then
            tree:add_proto_expert_info(e.bad_length, "An image block carries 2 + 1..1024 bytes")
        end
        if n >= 2 then tree:add_le(f.fw_block, payload(0, 2)) end
        if n > 2 then tree:add(f.fw_data, payload(2, n - 2)) end
    elseif dir == 0x80 then
        if n ~= 2 then
            tree:add_proto_expert_info(e.bad_length, "An acknowledgement carries 2 bytes")
        else
            tree:add_le(f.fw_ack, payload(0, 2))
        end
    end
end

local function fields_at_zero(list)
    for _, d in ipairs(list or {}) do
        if d.offset == 0 then return true end
    end
    return false
end

-- Decodes one message of a described block; returns the channel text for the summary.
local function decode_block(tree, b, class, ftype, code, dir, payload, n)
    local list = b.by_code[class .. "." .. ftype .. "." .. code]
    local chtext
    if class == 3 and b.channels > 0 and n >= 1 and not fields_at_zero(list) then
        local ch = payload(0, 1):uint()
        chtext = channel_name(b, ch)
        local item = tree:add(f.channel, payload(0, 1), ch,
            string.format("Channel: %s (%d)", chtext, ch))
        if ch >= b.channels then
            item:add_proto_expert_info(e.bad_channel,
                string.format("Channel %d beyond the %d of %s", ch, b.channels, b.name))
        end
    end
    if not list then
        tree:add_proto_expert_info(e.unknown_code,
            string.format("Parameter code %d is not described for %s", code, b.name))
        return chtext
    end
    local sub
    for _, d in ipairs(list) do
        if d.subindex and n >= 2 then sub = payload(1, 1):uint() end
    end
    if sub then tree:add(f.subindex, payload(1, 1)) end
    if dir == 0x80 and list[1].report_length and n ~= list[1].report_length then
        tree:add_proto_expert_info(e.bad_length,
            string.format("Payload of %d bytes; the report of code %d has %d", n, code,
                list[1].report_length))
    end
    if dir == 0 then return chtext end
    for _, d in ipairs(list) do
        if (not d.subindex or d.subindex == sub) and d.offset + d.size <= n then
            add_value(tree, d, payload(d.offset, d.size))
        end
    end
    return chtext
end

-- Returns the block's name and the channel text for the Info column.
local function decode_payload(tree, class, ftype, code, dir, payload, n, typerange)
    local function block_item(name)
        tree:add(f.block, typerange, name):set_generated()
    end
    if class == 1 then
        block_item("firmware")
        tree:add(f.fw_target, typerange)
        if code == 1 then decode_firmware(tree, dir, payload, n) end
        return "firmware"
    end
    local pw = password_messages[class .. "." .. ftype .. "." .. code]
    if pw and dir == 1 then
        block_item(class2_names[ftype])
        add_password(tree, payload, pw)
        return class2_names[ftype]
    end
    if class == 2 and ftype == 1 then
        block_item("login")
        if code == 1 and dir == 0x80 then
            if n ~= 1 then
                tree:add_proto_expert_info(e.bad_length, "A login report carries 1 byte")
            else
                local r = payload(0, 1):uint()
                tree:add(f.login_result, payload(0, 1), r, string.format("Login result: %s (%d)",
                    r == 0 and "not logged in" or "logged in", r))
            end
        end
        return "login"
    end
    local b = by_type[class] and by_type[class][ftype]
    if not b then
        local name = class == 2 and class2_names[ftype]
        if name then
            block_item(name)
            tree:add_proto_expert_info(e.unknown_code, name .. " is not described in this build")
            return name
        end
        tree:add_proto_expert_info(e.unknown_block,
            string.format("No block has class %d, type %d", class, ftype))
        return nil
    end
    block_item(b.name)
    return b.name, decode_block(tree, b, class, ftype, code, dir, payload, n)
end

-- Frames on TCP ----------------------------------------------------------------------------

-- Offset of the next start marker at or after from; a last byte 0x82 may be half of one.
local function next_marker(tvb, from)
    local len = tvb:len()
    for i = from, len - 1 do
        if tvb(i, 1):uint() == 0x82 and (i == len - 1 or tvb(i + 1, 1):uint() == 0x7D) then
            return i
        end
    end
    return len
end

-- The ten header bytes; returns the class, type, parameter code and direction.
local function add_header(tree, tvb, off)
    tree:add_le(f.start, tvb(off, 2))
    tree:add_le(f.code, tvb(off + 2, 2))
    local class, ftype = tvb(off + 4, 1):uint(), tvb(off + 5, 1):uint()
    local code, dir = tvb(off + 6, 1):uint(), tvb(off + 7, 1):uint()
    tree:add(f.class, tvb(off + 4, 1))
    tree:add(f.type, tvb(off + 5, 1))
    tree:add(f.param, tvb(off + 6, 1))
    tree:add(f.dir, tvb(off + 7, 1))
    tree:add_le(f.len, tvb(off + 8, 2))
    if not classes[class] or not directions[dir] then
        tree:add_proto_expert_info(e.bad_header)
    end
    return class, ftype, code, dir
end

-- One complete Frame at off with payload length n; returns its summary and whether its end
-- marker is right.
local function dissect_frame(tvb, off, n, root)
    local tree = root:add(p, tvb(off, n + OVERHEAD))
    local class, ftype, code, dir = add_header(tree, tvb, off)
    local payload = n > 0 and tvb(off + HEADER, n) or nil
    if payload then tree:add(f.payload, payload) end
    local endr = tvb(off + HEADER + n, 2)
    local good = endr:le_uint() == END_MARKER
    local item = tree:add_le(f.stop, endr)
    if not good then item:add_proto_expert_info(e.bad_end) end
    local name, chtext = decode_payload(tree, class, ftype, code, dir, payload, n, tvb(off + 5, 1))
    local summary = string.format("%s %s %d", directions[dir] or string.format("dir 0x%02x", dir),
        name or string.format("class %d type %d", class, ftype), code)
    if chtext then summary = summary .. " " .. chtext end
    tree:append_text(", " .. summary)
    return summary, good
end

-- A Frame whose declared length cannot be dissected: header and what is there.
local function dissect_cut(tvb, off, root, expert_field, text)
    local tree = root:add(p, tvb(off))
    if tvb:len() - off >= HEADER then add_header(tree, tvb, off) end
    tree:add_proto_expert_info(expert_field, text)
end

local function dissect_tcp(tvb, pinfo, root)
    local len = tvb:len()
    local off = 0
    local summaries = {}
    while off < len do
        local avail = len - off
        local first = tvb(off, 1):uint()
        if first ~= 0x82 or (avail >= 2 and tvb(off + 1, 1):uint() ~= 0x7D) then
            local nxt = next_marker(tvb, off + 1)
            local tree = root:add(p, tvb(off, nxt - off))
            tree:add(f.junk, tvb(off, nxt - off)):add_proto_expert_info(e.bad_start)
            summaries[#summaries + 1] = "bytes outside any Frame"
            off = nxt
        elseif avail < HEADER then
            if pinfo.can_desegment > 0 then
                pinfo.desegment_offset = off
                pinfo.desegment_len = DESEGMENT_ONE_MORE_SEGMENT
                break
            end
            dissect_cut(tvb, off, root, e.short, "Frame header cut short")
            off = len
        else
            local n = tvb(off + 8, 2):le_uint()
            if n > MAX_PAYLOAD then
                dissect_cut(tvb, off, root, e.too_long,
                    string.format("Declared payload of %d bytes; a Frame carries at most %d",
                        n, MAX_PAYLOAD))
                summaries[#summaries + 1] = "bad length"
                off = next_marker(tvb, off + 2)
            elseif avail < n + OVERHEAD then
                if pinfo.can_desegment > 0 then
                    pinfo.desegment_offset = off
                    pinfo.desegment_len = n + OVERHEAD - avail
                    break
                end
                dissect_cut(tvb, off, root, e.short,
                    string.format("Declared payload of %d bytes; %d present", n, avail - HEADER))
                summaries[#summaries + 1] = "cut short"
                off = len
            else
                local summary, good = dissect_frame(tvb, off, n, root)
                summaries[#summaries + 1] = summary
                off = good and off + n + OVERHEAD or next_marker(tvb, off + 2)
            end
        end
    end
    if #summaries > 0 then
        pinfo.cols.protocol = "DAPNET"
        pinfo.cols.info = table.concat(summaries, "; ")
    end
    return len
end

-- Datagrams on UDP -------------------------------------------------------------------------

local ann_layout = {
    { 0, 4, "ann_machineid" }, { 4, 4, "ann_ip" }, { 8, 4, "ann_runtime" },
    { 12, 4, "ann_totaltime" }, { 16, 1, "ann_reserved" }, { 17, 20, "ann_sn", true },
    { 37, 20, "ann_model", true }, { 57, 10, "ann_arm", true }, { 67, 10, "ann_dsp", true },
    { 77, 20, "ann_location", true }, { 97, 20, "ann_description", true },
    { 117, 20, "ann_preset", true }, { 137, 1, "ann_fault" }, { 138, 2, "ann_reserved" },
}

local function dissect_announcement(tvb, pinfo, root)
    local len = tvb:len()
    local tree = root:add(p, tvb(0, math.min(len, ANN_SIZE)), "Announcement")
    for _, l in ipairs(ann_layout) do
        local off, size, name, text = l[1], l[2], l[3], l[4]
        if off + size > len then break end
        local item
        if text then
            item = add_text(tree, f[name], tvb(off, size))
        else
            item = tree:add_le(f[name], tvb(off, size))
        end
        if name == "ann_runtime" or name == "ann_totaltime" then
            item:append_text(" (" .. duration(tvb(off, size):le_uint()) .. ")")
        end
    end
    if len < ANN_SIZE then
        tree:add_proto_expert_info(e.ann_short,
            string.format("Announcement of %d bytes; receivers ignore less than 140", len))
    elseif len > ANN_SIZE then
        tree:add(f.ann_trailing, tvb(ANN_SIZE)):add_proto_expert_info(e.ann_trailing)
    end
    pinfo.cols.protocol = "DAPNET"
    local info = "Announcement"
    if len >= 41 then
        info = info .. " " .. tvb(0, 4):le_uint() .. " " .. tostring(tvb(4, 4):le_ipv4())
    end
    pinfo.cols.info = info
    return len
end

local function dissect_command(tvb, pinfo, root)
    local len = tvb:len()
    local tree = root:add(p, tvb(), "Command")
    pinfo.cols.protocol = "DAPNET"
    pinfo.cols.info = "Command"
    if len >= 4 then tree:add_le(f.cmd_machineid, tvb(0, 4)) end
    if len >= 5 then tree:add(f.cmd_command, tvb(4, 1)) end
    if len >= 8 then tree:add(f.cmd_reserved, tvb(5, 3)) end
    if len < 12 then
        tree:add_proto_expert_info(e.cmd_bad_length, "A command datagram has a 12-byte header")
        return len
    end
    local command, n = tvb(4, 1):uint(), tvb(8, 4):le_uint()
    local item = tree:add_le(f.cmd_length, tvb(8, 4))
    if n ~= len - 12 then
        item:add_proto_expert_info(e.cmd_bad_length,
            string.format("Declared %d bytes of payload; the datagram carries %d", n, len - 12))
    end
    if len > 12 then tree:add(f.cmd_payload, tvb(12)) end
    pinfo.cols.info = string.format("Command %d (%s) for machine %d", command,
        commands[command] or "unknown", tvb(0, 4):le_uint())
    if command == 2 and len >= 24 then
        tree:add_le(f.cmd_ip, tvb(12, 4))
        tree:add_le(f.cmd_mask, tvb(16, 4))
        tree:add_le(f.cmd_gateway, tvb(20, 4))
        pinfo.cols.info:append(" address " .. tostring(tvb(12, 4):le_ipv4()))
    end
    return len
end

function p.dissector(tvb, pinfo, root)
    if tvb:len() == 0 then return 0 end
    local port = pinfo.match_uint
    if port == ANN_PORT then return dissect_announcement(tvb, pinfo, root) end
    if port == CMD_PORT then return dissect_command(tvb, pinfo, root) end
    return dissect_tcp(tvb, pinfo, root)
end

DissectorTable.get("tcp.port"):add(TCP_PORT, p)
DissectorTable.get("udp.port"):add(ANN_PORT, p)
DissectorTable.get("udp.port"):add(CMD_PORT, p)
