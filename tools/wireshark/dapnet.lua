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

-- Sent in place of the lock password, it leaves the security page.
local QUIT_CODE = 0x90A7

local function add_password(tree, payload, what)
    local item
    if payload then
        item = tree:add_packet_field(f.password, payload, ENC_ISO_8859_1)
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

-- Preset transfers move opaque file bytes in steps; they are no block fields, so they are
-- laid out here: what the PC sends (set, or request for code 7) and what the report holds.
local PRESETS = 32
local preset_transfers = {
    [6] = { "export all: block", { { "xfer_block", 2 } },
        { { "xfer_block", 2 }, { "xfer_data" } } },
    [7] = { "import all: block", { { "xfer_block", 2 }, { "xfer_data" } },
        { { "xfer_block", 2 } } },
    [9] = { "recall", nil, { { "xfer_progress", 1 } } },
    [10] = { "export one: start", { { "xfer_slot", 1 } }, { { "xfer_size", 4 } } },
    [11] = { "export all: start", {}, { { "xfer_size", 4 } } },
    [12] = { "export one: next bytes", { { "xfer_count", 4 } }, { { "xfer_data" } } },
    [13] = { "import one: start", { { "xfer_slot", 1 } }, { { "xfer_size", 4 } } },
    [14] = { "import all: start", {}, { { "xfer_size", 4 } } },
    [15] = { "import one: chunk", { { "xfer_data" } }, { { "xfer_count", 4 } } },
}

-- False when the layout does not cover this direction (the description may then know it).
local function decode_transfer(tree, t, dir, payload, n)
    local layout = dir == 0x80 and t[3] or (dir ~= 0x80 and t[2])
    if not layout then return false end
    tree:add(f.xfer, t[1]):set_generated()
    local off = 0
    for _, l in ipairs(layout) do
        local size = l[2] or (n - off)
        if size > 0 and off + size <= n then
            tree:add_le(f[l[1]], payload(off, size))
        end
        off = off + size
    end
    if off ~= n and not (layout[#layout] and not layout[#layout][2]) then
        tree:add_proto_expert_info(e.bad_length,
            string.format("Payload of %d bytes; this step carries %d", n, off))
    end
    return true
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
    if pw == "security page access" and dir == 1 and n == 2 and payload:uint() == QUIT_CODE then
        block_item("security")
        tree:add(f.action, payload, "leave the security page (quit code)")
        return "security"
    end
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
    if class == 3 and ftype == PRESETS and preset_transfers[code] and
        decode_transfer(tree, preset_transfers[code], dir, payload, n) then
        block_item("presets")
        return "presets"
    end
    local b = by_type[class] and by_type[class][ftype]
    if not b then
        local name = class == 2 and class2_names[ftype]
        if name then
            block_item(name)
            tree:add_proto_expert_info(e.unknown_code,
                string.format("No description of %s messages of frame type %d", name, ftype))
            return name
        end
        tree:add_proto_expert_info(e.unknown_block,
            string.format("No block has class %d, type %d", class, ftype))
        return nil
    end
    block_item(b.name)
    return b.name, decode_block(tree, b, ftype, code, dir, payload, n)
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
