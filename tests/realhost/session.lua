-- Drives a headless Ardour session for the real-host tests.
--
--   ardour7-lua session.lua create DIR NAME RATE KIND PLUGIN
--       new session on the Dummy backend, one stereo track, PLUGIN inserted on
--       it: a VST2 for Linux by name (KIND lxvst) or an LV2 plug-in by URI
--       (KIND lv2); reports the catalogue entry and the instance.
--   ardour7-lua session.lua update DIR NAME [EDIT...]
--       loads the session, reports the instance as reloaded, applies the edits
--       (INDEX=VALUE sets a parameter, "active" or "inactive" switches the
--       plug-in) and saves.
--
-- Reports are lines "@<TAB>kind<TAB>field..." for the driver to parse; numbers
-- are printed with 17 significant digits so that a float survives exactly.

local TAB = "\t"

local function report(kind, ...)
    local fields = { "@", kind }
    for _, v in ipairs({ ... }) do
        if type(v) == "number" then
            fields[#fields + 1] = string.format("%.17g", v)
        else
            fields[#fields + 1] = tostring(v)
        end
    end
    print(table.concat(fields, TAB))
end

local function fail(message)
    print("session.lua: " .. message)
    os.exit(1)
end

local function start_engine()
    if AudioEngine:set_backend("None (Dummy)", "", "") == nil then
        fail("the Dummy backend is not available")
    end
end

local KINDS = { lxvst = ARDOUR.PluginType.LXVST, lv2 = ARDOUR.PluginType.LV2 }

local function report_catalogue(kind, plugin)
    local found = false
    for info in ARDOUR.LuaAPI.list_plugins():iter() do
        if info.type == KINDS[kind] and (info.name == plugin or info.unique_id == plugin) then
            found = true
            report("catalogue", info.name, info.creator, info.category,
                info.n_inputs:n_audio(), info.n_outputs:n_audio())
        end
    end
    if not found then
        fail("Ardour's plug-in list has no " .. kind .. " plug-in " .. plugin)
    end
end

local function the_track()
    local found = {}
    for track in Session:get_tracks():iter() do
        found[#found + 1] = track
    end
    if #found ~= 1 then
        fail("expected one track, found " .. #found)
    end
    return found[1]
end

-- What the host shows of the instance: identity, then every control input as
-- it describes it (name, range, default) with the value it reads back. (An
-- LV2 plug-in counts its audio ports as parameters too; its controls come
-- first, so a control's index is its port's.)
local function report_instance(proc)
    local insert = proc:to_insert()
    local plugin = insert:plugin(0)
    report("instance", plugin:name(), plugin:maker(), plugin:unique_id(), plugin:parameter_count(),
        proc:active() and 1 or 0, insert:input_streams():n_audio(), insert:output_streams():n_audio())
    for i = 0, plugin:parameter_count() - 1 do
        if plugin:parameter_is_control(i) and plugin:parameter_is_input(i) then
            local desc = ARDOUR.ParameterDescriptor()
            plugin:get_parameter_descriptor(i, desc)
            local value = ARDOUR.LuaAPI.get_processor_param(proc, i)
            report("parameter", i, plugin:parameter_label(i), desc.lower, desc.upper, desc.normal, value)
        end
    end
end

-- Ardour connects a new track's outputs in the background, so a quick save can
-- miss it: wire the track to the master bus here. Its inputs stay unconnected
-- (the track is made without input auto-connection).
local function connect_to_master(track)
    local master_in = Session:master_out():input()
    track:input():disconnect_all(nil)
    track:output():disconnect_all(nil)
    for i = 0, 1 do
        if track:output():audio(i):connect(master_in:audio(i):name()) ~= 0 then
            fail("cannot connect the track to the master bus")
        end
    end
end

local function report_routing(track)
    local master_in = Session:master_out():input()
    for i = 0, 1 do
        local port = track:output():audio(i)
        report("routing", port:name(), master_in:audio(i):name(),
            port:connected_to(master_in:audio(i):name()) and 1 or 0, track:input():audio(i):connected() and 1 or 0)
    end
end

local function create(dir, name, rate, kind, plugin_name)
    start_engine()
    if create_session(dir, name, tonumber(rate)) == nil then
        fail("cannot create session " .. dir)
    end
    report_catalogue(kind, plugin_name)
    local tracks = Session:new_audio_track(2, 2, nil, 1, "Glowmarsh test",
        ARDOUR.PresentationInfo.max_order, ARDOUR.TrackMode.Normal, false, false)
    local track = tracks:front()
    connect_to_master(track)
    local proc = ARDOUR.LuaAPI.new_plugin(Session, plugin_name, KINDS[kind], "")
    if proc:isnil() then
        fail("Ardour cannot instantiate " .. plugin_name)
    end
    if track:add_processor_by_index(proc, 0, nil, true) ~= 0 then
        fail("Ardour refuses to insert " .. plugin_name .. " on a stereo track")
    end
    report_instance(proc)
    Session:save_state("", false, false, false, false, false)
    close_session()
end

local function update(dir, name, edits)
    start_engine()
    if load_session(dir, name) == nil then
        fail("cannot load session " .. dir)
    end
    report("engine", Session:nominal_sample_rate(), Session:get_block_size())
    local track = the_track()
    report_routing(track)
    local proc = track:nth_plugin(0)
    if proc:isnil() then
        fail("the reloaded track has lost its plug-in")
    end
    report_instance(proc)
    for _, edit in ipairs(edits) do
        local index, value = edit:match("^(%d+)=(.+)$")
        if index then
            if not ARDOUR.LuaAPI.set_processor_param(proc, tonumber(index), tonumber(value)) then
                fail("cannot set parameter " .. edit)
            end
        elseif edit == "active" then
            proc:activate()
        elseif edit == "inactive" then
            proc:deactivate()
        else
            fail("unknown edit " .. edit)
        end
    end
    if #edits > 0 then
        report_instance(proc)
    end
    Session:save_state("", false, false, false, false, false)
    close_session()
end

local command = arg[1]
if command == "create" and #arg == 6 and KINDS[arg[5]] then
    create(arg[2], arg[3], arg[4], arg[5], arg[6])
elseif command == "update" and #arg >= 3 then
    update(arg[2], arg[3], { table.unpack(arg, 4) })
else
    fail("usage: session.lua create DIR NAME RATE lxvst|lv2 PLUGIN | update DIR NAME [INDEX=VALUE|active|inactive]...")
end
