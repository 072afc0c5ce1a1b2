-- Wireshark dissector for KOVEX card captures (kovexctl --capture, the
-- window's "Capture Card Traffic..."): link type LINKTYPE_USER7 (154), each
-- packet the bytes that crossed the card's mailbox. Outbound packets are
-- host frames (00 5A F0, command, length, payload, FF); inbound packets are
-- the card's replies, decoded by the frame they answer; empty packets carry
-- an event (give-up, time-out, card lost, interrupted) in their comment.
-- A reply comment "drained: 0-2" names the bytes a drain threw away.

local kovex = Proto("kovex", "KOVEX card mailbox")

local COMMANDS = {
    [0x00] = "CMD_PROGRAM_LINE", [0x01] = "CMD_BOOT_MODE", [0x02] = "CMD_RUN_MODE",
    [0x05] = "CMD_ERASE", [0x07] = "CMD_GET_MODE", [0x08] = "CMD_GET_VERSION",
    [0x09] = "CMD_RESET", [0x0A] = "CMD_SEND_MESSAGE", [0x0C] = "CMD_GET_MESSAGE",
    [0x0D] = "CMD_CLEAR_BUFFER", [0x0F] = "CMD_SET_POLL_ITEM", [0x10] = "CMD_GET_POLL_ITEM",
    [0x11] = "CMD_GET_POLL_SPEED", [0x12] = "CMD_GET_NODE_STATUS",
    [0x13] = "CMD_GET_ETH_POLL_NODE", [0x14] = "CMD_GET_ETH_POLL_PTR",
}
local DISPLAY = {
    [2] = "clear", [5] = "set XY", [6] = "text", [12] = "show", [13] = "save",
    [15] = "font", [16] = "write columns",
}
local DIRECTIONS = { [0] = "host to card", [1] = "card to host" }
local MODES = { [0x66] = "run", [0x99] = "boot" }
local FONTS = { [0] = "5x7", [1] = "10x14" }

local f = {
    direction = ProtoField.uint8("kovex.direction", "Direction", base.DEC, DIRECTIONS),
    header = ProtoField.bytes("kovex.header", "Header", base.SPACE),
    command = ProtoField.uint8("kovex.command", "Command", base.HEX, COMMANDS),
    length = ProtoField.uint8("kovex.length", "Length", base.DEC),
    payload = ProtoField.bytes("kovex.payload", "Payload", base.SPACE),
    frame_end = ProtoField.uint8("kovex.end", "End", base.HEX),
    poll_index = ProtoField.uint8("kovex.poll.index", "Poll list index", base.DEC),
    poll_node = ProtoField.uint8("kovex.poll.node", "Node", base.DEC),
    line_record = ProtoField.string("kovex.line.record", "Line record"),
    line_address = ProtoField.uint16("kovex.line.address", "Card address", base.HEX),
    line_data = ProtoField.bytes("kovex.line.data", "Data", base.SPACE),
    msg_flag = ProtoField.uint8("kovex.msg.flag", "Flag", base.DEC),
    msg_node = ProtoField.uint8("kovex.msg.node", "Node", base.DEC),
    msg_device = ProtoField.uint8("kovex.msg.device", "Device", base.DEC),
    msg_command = ProtoField.uint8("kovex.msg.command", "Node command", base.DEC),
    msg_count = ProtoField.uint8("kovex.msg.count", "Parameter count", base.DEC),
    msg_params = ProtoField.bytes("kovex.msg.params", "Parameters", base.SPACE),
    display = ProtoField.uint8("kovex.display.command", "Display command", base.DEC, DISPLAY),
    display_x = ProtoField.uint8("kovex.display.x", "X", base.DEC),
    display_y = ProtoField.uint8("kovex.display.y", "Y", base.DEC),
    display_text = ProtoField.string("kovex.display.text", "Text"),
    display_image = ProtoField.uint8("kovex.display.image", "Image", base.DEC),
    display_font = ProtoField.uint8("kovex.display.font", "Font", base.DEC, FONTS),
    display_offset = ProtoField.uint8("kovex.display.column_offset", "Column offset", base.DEC),
    display_page = ProtoField.uint8("kovex.display.page", "Page", base.DEC),
    display_count = ProtoField.uint8("kovex.display.column_count", "Column count", base.DEC),
    display_columns = ProtoField.bytes("kovex.display.columns", "Columns", base.SPACE),
    answers = ProtoField.uint8("kovex.reply.answers", "Answers", base.HEX, COMMANDS),
    reply_byte = ProtoField.uint8("kovex.reply.byte", "Reply", base.DEC),
    version = ProtoField.string("kovex.reply.version", "Firmware version"),
    mode = ProtoField.uint8("kovex.reply.mode", "Mode", base.HEX, MODES),
    poll_item = ProtoField.uint8("kovex.reply.poll_node", "Poll list node", base.DEC),
    node_status = ProtoField.uint8("kovex.reply.node_status", "Node status", base.DEC),
    poll_speed = ProtoField.uint8("kovex.reply.poll_speed", "Poll speed", base.DEC),
    packets_sent = ProtoField.uint8("kovex.reply.packets_sent", "Packets sent", base.DEC),
    packets_received = ProtoField.uint8("kovex.reply.packets_received", "Packets received",
                                        base.DEC),
    drained = ProtoField.bytes("kovex.reply.drained", "Drained", base.SPACE),
    event = ProtoField.string("kovex.event", "Event"),
}
kovex.fields = f

local e = {
    ff_inside = ProtoExpert.new("kovex.expert.ff_inside", "0xFF inside the frame",
                                expert.group.MALFORMED, expert.severity.ERROR),
    bad_length = ProtoExpert.new("kovex.expert.bad_length",
                                 "Length byte does not match the frame",
                                 expert.group.MALFORMED, expert.severity.ERROR),
    bad_header = ProtoExpert.new("kovex.expert.bad_header", "Frame does not start 00 5A F0",
                                 expert.group.MALFORMED, expert.severity.ERROR),
    no_end = ProtoExpert.new("kovex.expert.no_end", "Frame does not end in FF",
                             expert.group.MALFORMED, expert.severity.ERROR),
    event = ProtoExpert.new("kovex.expert.event", "Card event",
                            expert.group.RESPONSE_CODE, expert.severity.WARN),
}
kovex.experts = e

local comment_field = Field.new("frame.comment")
local interface_field = Field.new("frame.interface_id")

-- The frame each reply answers, learnt on the first pass: by packet number,
-- and the last frame by interface while reading.
local answered = {}
local last_frame = {}

local function hex(bytes)
    local out = {}
    for i = 1, #bytes do out[#out + 1] = string.format("%02X", bytes[i]) end
    return table.concat(out, " ")
end

local function comments()
    local out = {}
    for _, fi in ipairs({ comment_field() }) do out[#out + 1] = tostring(fi.value) end
    return out
end

local function interface_id()
    local fi = interface_field()
    return fi and fi.value or 0
end

-- Parameters as numbers; for write columns the escapes undone (4 v stands
-- for v xor 128).
local function unescape(values)
    local out = {}
    local i = 1
    while i <= #values do
        if values[i] == 4 and i < #values then
            out[#out + 1] = bit.bxor(values[i + 1], 0x80)
            i = i + 2
        else
            out[#out + 1] = values[i]
            i = i + 1
        end
    end
    return out
end

local function byte_list(range)
    local out = {}
    for i = 0, range:len() - 1 do out[#out + 1] = range(i, 1):uint() end
    return out
end

local function dissect_display(params, range, tree)
    local cmd = tree.command
    local t = tree.node
    if cmd == 5 and #params >= 2 then
        t:add(f.display_x, range(0, 1))
        t:add(f.display_y, range(1, 1))
        return string.format("set XY %d, %d", params[1], params[2])
    elseif cmd == 6 then
        local chars = {}
        for i = 1, #params do chars[i] = string.char(params[i]) end
        local text = table.concat(chars)
        if range then t:add(f.display_text, range, text) end
        return "text \"" .. text .. "\""
    elseif (cmd == 12 or cmd == 13) and #params >= 1 then
        t:add(f.display_image, range(0, 1))
        return string.format("%s image %d", DISPLAY[cmd], params[1])
    elseif cmd == 15 and #params >= 1 then
        t:add(f.display_font, range(0, 1))
        return "font " .. (FONTS[params[1]] or tostring(params[1]))
    elseif cmd == 16 then
        local values = unescape(params)
        if #values >= 3 then
            t:add(f.display_offset, range, values[1]):set_generated()
            t:add(f.display_page, range, values[2]):set_generated()
            t:add(f.display_count, range, values[3]):set_generated()
            local columns = ByteArray.new(hex({ table.unpack(values, 4) })):tvb("Columns")
            t:add(f.display_columns, columns())
            return string.format("write columns offset %d page %d, %d columns", values[1],
                                 values[2], #values - 3)
        end
    end
    return DISPLAY[cmd] or ("command " .. cmd)
end

local function dissect_message(payload, tree)
    local n = payload:len()
    if n < 5 then return "node message (short)" end
    local t = tree:add(kovex, payload, "Node message")
    t:add(f.msg_flag, payload(0, 1))
    t:add(f.msg_node, payload(1, 1))
    t:add(f.msg_device, payload(2, 1))
    t:add(f.msg_command, payload(3, 1))
    t:add(f.msg_count, payload(4, 1))
    local node, device, command = payload(1, 1):uint(), payload(2, 1):uint(), payload(3, 1):uint()
    local params, range = {}, nil
    if n > 5 then
        range = payload(5)
        t:add(f.msg_params, range)
        params = byte_list(range)
    end
    local what = string.format("node %d device %d command %d", node, device, command)
    if DISPLAY[command] then
        t:add(f.display, payload(3, 1))
        what = string.format("node %d device %d: display %s", node, device,
                             dissect_display(params, range, { command = command, node = t }))
    end
    return what
end

local function dissect_line(payload, tree)
    local record = payload:string()
    tree:add(f.line_record, payload)
    if payload:len() >= 41 then
        tree:add(f.line_address, payload(3, 4), tonumber(payload(3, 4):string(), 16) or 0)
        local data = ByteArray.new(payload(9, 32):string()):tvb("Line data")
        tree:add(f.line_data, data())
        return string.format("line %s: %s", payload(3, 4):string(), payload(9, 32):string())
    end
    return "line " .. record
end

local function dissect_payload(code, payload, tree)
    if code == 0x00 then return dissect_line(payload, tree) end
    if code == 0x0A then return dissect_message(payload, tree) end
    if code == 0x0F and payload:len() >= 2 then
        tree:add(f.poll_index, payload(0, 1))
        tree:add(f.poll_node, payload(1, 1))
        return string.format("item %d := node %d", payload(0, 1):uint(), payload(1, 1):uint())
    end
    if code == 0x10 and payload:len() >= 1 then
        tree:add(f.poll_index, payload(0, 1))
        return string.format("item %d", payload(0, 1):uint())
    end
    if code == 0x12 and payload:len() >= 1 then
        tree:add(f.poll_node, payload(0, 1))
        return string.format("node %d", payload(0, 1):uint())
    end
    return nil
end

-- Header, command, length, payload, end; the frame rules checked.
local function dissect_frame(tvb, pinfo, tree)
    local n = tvb:len()
    if n < 6 then
        tree:add_proto_expert_info(e.bad_length, "Frame shorter than 6 bytes")
        return "frame cut short: " .. hex(byte_list(tvb()))
    end
    local h = tree:add(f.header, tvb(0, 3))
    if tvb(0, 3):uint() ~= 0x005AF0 then h:add_proto_expert_info(e.bad_header) end
    tree:add(f.command, tvb(3, 1))
    local lt = tree:add(f.length, tvb(4, 1))
    local code, length = tvb(3, 1):uint(), tvb(4, 1):uint()
    for i = 0, n - 2 do
        if tvb(i, 1):uint() == 0xFF then
            tree:add_proto_expert_info(e.ff_inside, string.format("0xFF at byte %d", i))
            break
        end
    end
    if length ~= n - 6 then
        lt:add_proto_expert_info(e.bad_length,
            string.format("Length %d, but %d bytes between it and the end", length, n - 6))
    end
    local et = tree:add(f.frame_end, tvb(n - 1, 1))
    if tvb(n - 1, 1):uint() ~= 0xFF then et:add_proto_expert_info(e.no_end) end
    local name = COMMANDS[code] or string.format("command 0x%02X", code)
    local detail
    if n > 6 then
        local payload = tvb(5, n - 6)
        tree:add(f.payload, payload)
        detail = dissect_payload(code, payload, tree)
    end
    return detail and (name .. " " .. detail) or name
end

local function one_byte_line(code, value)
    if code == 0x00 then
        return "Line acknowledged = " .. value, f.reply_byte
    elseif code == 0x01 or code == 0x02 or code == 0x0D then
        return "KOVEX Responded = " .. value, f.reply_byte
    elseif code == 0x07 then
        return string.format("KOVEX Run Mode = %02X (%s)", value, MODES[value] or "unknown"), f.mode
    elseif code == 0x10 then
        return "Poll list node = " .. value, f.poll_item
    elseif code == 0x11 then
        return "Poll speed = " .. value, f.poll_speed
    elseif code == 0x0F then
        return "Poll list item set = " .. value, f.reply_byte
    elseif code == 0x12 then
        return "Node status = " .. value, f.node_status
    elseif code == 0x13 then
        return "Eth poll node = " .. value, f.reply_byte
    elseif code == 0x14 then
        return "Eth poll ptr = " .. value, f.reply_byte
    end
    return "Reply = " .. value, f.reply_byte
end

local function dissect_reply_bytes(code, tvb, tree)
    local n = tvb:len()
    if code == 0x08 then
        local count = tvb(0, 1):uint()
        local text = tvb:raw(1, math.min(count, n - 1))
        tree:add(f.version, tvb(0, n), text)
        return "Firmware version from KOVEX = " .. text
    elseif code == 0x0C then
        dissect_message(tvb(), tree)
        return string.format("%d Bytes recieved:  %s", n, hex(byte_list(tvb())))
    elseif code == 0x14 and n == 2 then
        tree:add(f.packets_sent, tvb(0, 1))
        tree:add(f.packets_received, tvb(1, 1))
        return string.format("KOVEX Responded = %d Packets sent, %d Packets recieved",
                             tvb(0, 1):uint(), tvb(1, 1):uint())
    end
    local line, field = one_byte_line(code, tvb(0, 1):uint())
    tree:add(field, tvb(0, 1))
    if n > 1 then line = line .. string.format(" (+%d bytes)", n - 1) end
    return line
end

-- "drained: 0-2,5" into the set of drained byte offsets.
local function drained_bytes()
    local set, any = {}, false
    for _, c in ipairs(comments()) do
        local ranges = c:match("^drained: (.*)$")
        if ranges then
            for first, last in ranges:gmatch("(%d+)%-?(%d*)") do
                for i = tonumber(first), tonumber(last ~= "" and last or first) do
                    set[i] = true
                    any = true
                end
            end
        end
    end
    return set, any
end

local function dissect_reply(tvb, pinfo, tree)
    local code = answered[pinfo.number]
    if code then tree:add(f.answers, code):set_generated() end
    local drained, any = drained_bytes()
    if any then
        for i = 0, tvb:len() - 1 do
            if drained[i] then tree:add(f.drained, tvb(i, 1)) end
        end
    end
    -- The bytes read as the reply: those not drained, in order.
    local kept = {}
    for i = 0, tvb:len() - 1 do
        if not drained[i] then kept[#kept + 1] = tvb(i, 1):uint() end
    end
    local line
    if #kept == 0 then
        line = "drained: " .. hex(byte_list(tvb()))
    elseif code then
        local reply = ByteArray.new(hex(kept)):tvb("Reply")
        line = dissect_reply_bytes(code, reply, tree)
    else
        line = "Reply: " .. hex(kept)
    end
    return line
end

local function dissect_event(pinfo, tree)
    local text = table.concat(comments(), "; ")
    tree:add(f.event, text)
    tree:add_proto_expert_info(e.event, text)
    return "Event: " .. text
end

function kovex.dissector(tvb, pinfo, tree)
    pinfo.cols.protocol = "KOVEX"
    local t = tree:add(kovex, tvb())
    local dir = pinfo.p2p_dir
    local iface = interface_id()
    local info
    if tvb:len() == 0 then
        info = dissect_event(pinfo, t)
    elseif dir == 0 then
        t:add(f.direction, 0):set_generated()
        if not pinfo.visited and tvb:len() >= 4 then last_frame[iface] = tvb(3, 1):uint() end
        info = dissect_frame(tvb, pinfo, t)
    else
        t:add(f.direction, 1):set_generated()
        if not pinfo.visited then answered[pinfo.number] = last_frame[iface] end
        info = dissect_reply(tvb, pinfo, t)
    end
    pinfo.cols.info = info
    return tvb:len()
end

function kovex.init()
    answered = {}
    last_frame = {}
end

DissectorTable.get("wtap_encap"):add(wtap_encaps.USER7, kovex)
