-- The described blocks: one ProtoField per field of `dapctl describe --json`, placed in the
-- payload as the description says (report shape, offsets, sets that differ from reports).

local SIZES = { f32le = 4, u8 = 1, i8 = 1, u16le = 2, i16le = 2, u32le = 4, i32le = 4 }

local function make_field(abbr, d)
    local label = d.label or d.name
    if d.type == "bool" then
        return ProtoField.bool(abbr, label, base.NONE, { "on", "off" })
    end
    local vs = nil
    if d.values then
        vs = {}
        for i, v in ipairs(d.values) do vs[i - 1] = v end
    end
    local enc = d.encoding
    if enc == "f32le" then return ProtoField.float(abbr, label) end
    if enc == "u8" then return ProtoField.uint8(abbr, label, base.DEC, vs) end
    if enc == "i8" then return ProtoField.int8(abbr, label, base.DEC, vs) end
    if enc == "u16le" then return ProtoField.uint16(abbr, label, base.DEC, vs) end
    if enc == "i16le" then return ProtoField.int16(abbr, label, base.DEC, vs) end
    if enc == "u32le" then return ProtoField.uint32(abbr, label, base.DEC, vs) end
    if enc == "i32le" then return ProtoField.int32(abbr, label, base.DEC, vs) end
    if d.text then return ProtoField.string(abbr, label) end
    return ProtoField.bytes(abbr, label)
end

local by_type = { [2] = {}, [3] = {} } -- [class][frame type] = block
local protofields = {}                 -- abbr = ProtoField, one per described name

local function index(map, key, d)
    local list = map[key] or {}
    list[#list + 1] = d
    map[key] = list
end

for _, b in ipairs(description.blocks) do
    b.reports, b.sets, b.actions_by_code = {}, {}, {}
    for _, d in ipairs(b.fields or {}) do
        d.text = d.encoding:match("^text:") ~= nil
        d.size = SIZES[d.encoding] or tonumber(d.encoding:match(":(%d+)$"))
        if not protofields[d.abbr] then protofields[d.abbr] = make_field(d.abbr, d) end
        d.field = protofields[d.abbr]
        d.side = d.side or b.side
        local t = d.frame_type or b.types[1]
        index(b.reports, t .. "." .. d.code, d)
        if d.set_code then index(b.sets, t .. "." .. d.set_code, d) end
    end
    for _, a in ipairs(b.actions or {}) do b.actions_by_code[a.code] = a end
    for _, t in ipairs(b.types) do
        if by_type[b.class] then by_type[b.class][t] = b end
    end
end

-- A text field ends at its first NUL or at its end, whichever comes first. The text goes
-- through add_packet_field: TvbRange:string cuts multi-byte results to the input's length.
local function add_text(tree, field, range, enc)
    local n = 0
    local len = range:len()
    while n < len and range(n, 1):uint() ~= 0 do n = n + 1 end
    if n == 0 then return tree:add(field, range, "") end
    return tree:add_packet_field(field, range(0, n), enc or TEXT_ENC)
end

-- One value at off; a text takes what is there up to its width. Nothing when it does not fit.
local function add_value(tree, d, payload, n, off, prefix)
    local size = d.size
    if d.text then size = math.min(size, n - off) end
    if off < 0 or size < 1 or off + size > n then return nil end
    local range = payload(off, size)
    local item
    if d.text then
        item = add_text(tree, d.field, range)
    elseif size == 1 then
        item = tree:add(d.field, range)
    else
        item = tree:add_le(d.field, range)
    end
    if d.unit and d.unit ~= "" then item:append_text(" " .. d.unit) end
    if prefix then item:prepend_text(prefix .. " ") end
    return item
end

local function channel_name(side, ch)
    return (side or "") .. tostring(ch + 1)
end

-- The channel byte at offset 0, named as the window names it (I1, O3).
local function add_channel(tree, payload, side, channels)
    local ch = payload(0, 1):uint()
    local text = channel_name(side, ch)
    local item = tree:add(f.channel, payload(0, 1), ch, string.format("Channel: %s (%d)", text, ch))
    if channels and channels > 0 and ch >= channels then
        item:add_proto_expert_info(e.bad_channel,
            string.format("Channel byte %d beyond the block's %d channels", ch, channels))
    end
    return text
end

local function check_length(tree, d, n, code)
    if d.report_length and n ~= d.report_length then
        tree:add_proto_expert_info(e.bad_length, string.format(
            "Payload of %d bytes; the report of code %d has %d", n, code, d.report_length))
    elseif d.report_min_length and n < d.report_min_length then
        tree:add_proto_expert_info(e.bad_length, string.format(
            "Payload of %d bytes; the report of code %d has at least %d", n, code,
            d.report_min_length))
    end
end

-- A payload laid out as the report: returns the channel text for the summary.
local function decode_as_report(tree, list, payload, n)
    local first = list[1]
    local chtext
    if first.shape == "channel-first" then
        if n < 1 then return nil end
        chtext = add_channel(tree, payload, first.side, first.channels)
        local sub
        if first.sub_index and n >= 2 then
            sub = payload(1, 1):uint()
            tree:add(f.subindex, payload(1, 1))
        end
        for _, d in ipairs(list) do
            if not d.sub_index or d.sub_index == sub then
                add_value(tree, d, payload, n, d.offset)
            end
        end
    elseif first.shape == "per-channel" then
        for _, d in ipairs(list) do
            if (d.channels or 0) == 0 then
                add_value(tree, d, payload, n, d.offset)
            else
                for c = 0, d.channels - 1 do
                    add_value(tree, d, payload, n, d.offset + c * d.stride,
                        channel_name(d.side, c))
                end
            end
        end
    else
        for _, d in ipairs(list) do add_value(tree, d, payload, n, d.offset) end
    end
    return chtext
end

-- A set whose layout is not the report's: crosspoints and [channel][value] sets.
local function decode_set(tree, list, payload, n)
    local first = list[1]
    if first.set == "crosspoint" then
        if n < 1 then return nil end
        local chtext = add_channel(tree, payload, first.side, first.channels)
        -- [channel][one or more indexes][value]: the value goes to every listed index.
        local size = first.size
        for i = 1, n - size - 1 do
            local idx = payload(i, 1):uint()
            for _, d in ipairs(list) do
                if d.set_index == idx then add_value(tree, d, payload, n, n - size) end
            end
        end
        return chtext
    end
    -- channel-value: [channel][value], or the value alone for a block-wide field.
    local chtext
    for _, d in ipairs(list) do
        if (d.channels or 0) > 0 and n >= 1 and not chtext then
            chtext = add_channel(tree, payload, d.side, d.channels)
        end
        local size = d.size
        if d.text then size = n - d.set_offset end
        if size > 0 and d.set_offset + size <= n then
            local copy = { field = d.field, size = size, text = d.text, unit = d.unit }
            add_value(tree, copy, payload, n, d.set_offset)
        end
    end
    return chtext
end

-- Decodes one message of a described block; returns the channel text for the summary.
local function decode_block(tree, b, ftype, code, dir, payload, n)
    local reports = b.reports[ftype .. "." .. code]
    if dir == 0 then
        -- A request carries the address of what it asks for: channel, then sub-index.
        local d = reports and reports[1]
        if n >= 1 and d and d.shape == "channel-first" then
            local chtext = add_channel(tree, payload, d.side, d.channels)
            if n >= 2 and d.sub_index then tree:add(f.subindex, payload(1, 1)) end
            return chtext
        end
        return nil
    end
    if dir == 0x80 and reports then
        check_length(tree, reports[1], n, code)
        return decode_as_report(tree, reports, payload, n)
    end
    local sets = b.sets[ftype .. "." .. code]
    if dir == 1 and sets then
        if sets[1].set == "whole" then return decode_as_report(tree, sets, payload, n) end
        return decode_set(tree, sets, payload, n)
    end
    local action = b.actions_by_code[code]
    if dir == 1 and action then
        tree:add(f.action, action.name):set_generated()
        if n >= 1 and b.channels > 0 then return add_channel(tree, payload, b.side, b.channels) end
        return nil
    end
    tree:add_proto_expert_info(e.unknown_code,
        string.format("Parameter code %d (%s) is not described for %s", code,
            directions[dir] or "?", b.name))
    return nil
end

local all = {}
for _, v in pairs(f) do all[#all + 1] = v end
for _, v in pairs(protofields) do all[#all + 1] = v end
p.fields = all
local experts = {}
for _, v in pairs(e) do experts[#experts + 1] = v end
p.experts = experts
