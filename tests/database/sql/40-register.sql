-- The QPX register of spaces and their assets: the writes of register blocks (rooms,
-- buildings, floors, sites), of a room's assets and of an asset's attributes, the read of the
-- spaces under a parent, and the reads of a location's assets and an asset's attributes,
-- which the register keeps in the schema vlx.
--
-- Choices of this stand-in server:
-- - A space is one row of register_locations keyed by its location id. A room or building
--   sent with a location id of 0 (or NULL, or one the register does not hold) gets a new id,
--   returned through "@locationID"; sent with an id the register holds, it updates that row.
--   A floor or site is updated under the id it is sent with, and inserted under that id when
--   the register does not hold it yet (as a space without parent).
-- - The status text of a space is two characters: the first is "0" when the space exists, "1"
--   when it does not; the second is "1" when it is a duplicate, "0" when not.
-- - An asset is keyed by the drawing id and its handle; writing it again updates it (and may
--   move it to another location). It is excluded from take-off when its block identifier is
--   listed in takeoff_exclusions.
-- - An attribute is keyed by the drawing id, the asset's handle and its tag; the attribute
--   read returns the attributes whose exists flag is set, in the order they were first written.
-- - The asset read gives "status" "1" for an asset that exists in its location, "0" otherwise.
-- Argument names are the module's parameter names, "@" included, so that they can never be
-- taken for a column.

CREATE TABLE register_locations (
    location_id      integer PRIMARY KEY,
    parent_id        integer,
    kind             varchar NOT NULL CHECK (kind IN ('r', 'f', 'b', 's')),
    space_name       varchar NOT NULL DEFAULT '',
    space_code       varchar NOT NULL DEFAULT '',
    exists_flag      boolean NOT NULL DEFAULT true,
    duplicate_flag   boolean NOT NULL DEFAULT false,
    area             numeric,
    handle_text      varchar,
    perimeter        numeric,
    area_precision   integer
);

CREATE TABLE register_assets (
    drawing_id             integer NOT NULL,
    handle_text            varchar NOT NULL,
    location_id            integer NOT NULL,
    block_identifier       varchar NOT NULL,
    block_description      varchar,
    unique_description     varchar,
    point_x                numeric,
    point_y                numeric,
    exists_in_location     boolean NOT NULL,
    ordinal                bigint GENERATED ALWAYS AS IDENTITY,
    PRIMARY KEY (drawing_id, handle_text)
);

CREATE TABLE takeoff_exclusions (
    block_identifier varchar PRIMARY KEY
);

CREATE TABLE register_asset_attributes (
    drawing_id   integer NOT NULL,
    handle_text  varchar NOT NULL,
    tag          varchar NOT NULL,
    tag_value    varchar,
    exists_flag  boolean NOT NULL,
    ordinal      bigint GENERATED ALWAYS AS IDENTITY,
    PRIMARY KEY (drawing_id, handle_text, tag)
);

-- A room or a building: updates the space the register holds under "@locationID", or adds a
-- new one and hands its id back.
CREATE FUNCTION register_set_space(
    space_kind varchar, INOUT "@locationID" integer, "@parentID" integer, "@name" varchar,
    "@code" varchar, "@statusExists" boolean, "@statusDuplicate" boolean, "@area" numeric,
    "@handle" varchar, "@perimeter" numeric, "@precision" integer)
LANGUAGE plpgsql AS $$
BEGIN
    LOCK TABLE register_locations IN SHARE ROW EXCLUSIVE MODE;
    IF "@locationID" IS NULL OR NOT EXISTS (
            SELECT 1 FROM register_locations WHERE location_id = "@locationID") THEN
        SELECT COALESCE(max(location_id), 0) + 1 INTO "@locationID" FROM register_locations;
    END IF;
    INSERT INTO register_locations (location_id, parent_id, kind, space_name, space_code,
            exists_flag, duplicate_flag, area, handle_text, perimeter, area_precision)
        VALUES ("@locationID", "@parentID", space_kind, COALESCE("@name", ''),
            COALESCE("@code", ''), COALESCE("@statusExists", false),
            COALESCE("@statusDuplicate", false), "@area", "@handle", "@perimeter", "@precision")
        ON CONFLICT (location_id) DO UPDATE SET parent_id = EXCLUDED.parent_id,
            kind = EXCLUDED.kind, space_name = EXCLUDED.space_name,
            space_code = EXCLUDED.space_code, exists_flag = EXCLUDED.exists_flag,
            duplicate_flag = EXCLUDED.duplicate_flag, area = EXCLUDED.area,
            handle_text = EXCLUDED.handle_text, perimeter = EXCLUDED.perimeter,
            area_precision = EXCLUDED.area_precision;
END;
$$;

-- A floor or a site: its gross area under the id it is sent with.
CREATE FUNCTION register_set_gross_area(
    space_kind varchar, "@locationID" integer, "@area" numeric, "@handle" varchar,
    "@perimeter" numeric, "@precision" integer)
RETURNS void LANGUAGE sql AS $$
    INSERT INTO register_locations (location_id, kind, area, handle_text, perimeter,
            area_precision)
        VALUES ("@locationID", space_kind, "@area", "@handle", "@perimeter", "@precision")
        ON CONFLICT (location_id) DO UPDATE SET kind = EXCLUDED.kind, area = EXCLUDED.area,
            handle_text = EXCLUDED.handle_text, perimeter = EXCLUDED.perimeter,
            area_precision = EXCLUDED.area_precision;
$$;

CREATE FUNCTION "__to_setRoomBlockInQPX"(
    INOUT "@locationID" integer, "@parentID" integer, "@name" varchar, "@code" varchar,
    "@statusExists" boolean, "@statusDuplicate" boolean, "@area" numeric, "@handle" varchar,
    "@perimeter" numeric, "@precision" integer)
LANGUAGE sql AS $$
    SELECT register_set_space('r', "@locationID", "@parentID", "@name", "@code",
        "@statusExists", "@statusDuplicate", "@area", "@handle", "@perimeter", "@precision");
$$;

CREATE FUNCTION "__to_setBuildingBlockInQPX"(
    INOUT "@locationID" integer, "@parentID" integer, "@name" varchar, "@code" varchar,
    "@statusExists" boolean, "@statusDuplicate" boolean, "@area" numeric, "@handle" varchar,
    "@perimeter" numeric, "@precision" integer)
LANGUAGE sql AS $$
    SELECT register_set_space('b', "@locationID", "@parentID", "@name", "@code",
        "@statusExists", "@statusDuplicate", "@area", "@handle", "@perimeter", "@precision");
$$;

CREATE FUNCTION "__to_setFloorBlockInQPX"(
    "@locationID" integer, "@area" numeric, "@handle" varchar, "@perimeter" numeric,
    "@precision" integer)
RETURNS void LANGUAGE sql AS $$
    SELECT register_set_gross_area('f', "@locationID", "@area", "@handle", "@perimeter",
        "@precision");
$$;

CREATE FUNCTION "__to_setSiteBlockInQPX"(
    "@locationID" integer, "@area" numeric, "@handle" varchar, "@perimeter" numeric,
    "@precision" integer)
RETURNS void LANGUAGE sql AS $$
    SELECT register_set_gross_area('s', "@locationID", "@area", "@handle", "@perimeter",
        "@precision");
$$;

-- The spaces directly under a parent, in the order of their ids.
CREATE FUNCTION "__to_getBlocksFromQPX"("@parentID" integer)
RETURNS TABLE ("id" integer, "type" varchar, "parentid" integer, "name" varchar,
               "code" varchar, "status" varchar, "area" double precision, "handle" varchar,
               "perimeter" double precision)
LANGUAGE sql STABLE AS $$
    SELECT location_id, kind, parent_id, space_name, space_code,
           CASE WHEN exists_flag THEN '0' ELSE '1' END
               || CASE WHEN duplicate_flag THEN '1' ELSE '0' END,
           area::double precision, handle_text, perimeter::double precision
    FROM register_locations
    WHERE parent_id = "@parentID"
    ORDER BY location_id;
$$;

CREATE FUNCTION "__to_applyAssetToQPX"(
    "@locationID" integer, "@drawingID" integer, "@handle" varchar,
    "@acadBlockIdentifier" varchar, "@acadBlockDescription" varchar,
    "@uniqueDescription" varchar, "@pointX" numeric, "@pointY" numeric,
    "@assetExistsInLocation" boolean, OUT "@excludedFromTakeoff" boolean)
LANGUAGE sql AS $$
    INSERT INTO register_assets (drawing_id, handle_text, location_id, block_identifier,
            block_description, unique_description, point_x, point_y, exists_in_location)
        VALUES ("@drawingID", "@handle", "@locationID", "@acadBlockIdentifier",
            "@acadBlockDescription", "@uniqueDescription", "@pointX", "@pointY",
            COALESCE("@assetExistsInLocation", false))
        ON CONFLICT (drawing_id, handle_text) DO UPDATE SET
            location_id = EXCLUDED.location_id, block_identifier = EXCLUDED.block_identifier,
            block_description = EXCLUDED.block_description,
            unique_description = EXCLUDED.unique_description, point_x = EXCLUDED.point_x,
            point_y = EXCLUDED.point_y, exists_in_location = EXCLUDED.exists_in_location;
    SELECT EXISTS (SELECT 1 FROM takeoff_exclusions
                   WHERE block_identifier = "@acadBlockIdentifier");
$$;

CREATE FUNCTION "__to_applyAssetAttributeToQPX"(
    "@drawingID" integer, "@handle" varchar, "@tag" varchar, "@value" varchar,
    "@exists" boolean)
RETURNS void LANGUAGE sql AS $$
    INSERT INTO register_asset_attributes (drawing_id, handle_text, tag, tag_value, exists_flag)
        VALUES ("@drawingID", "@handle", "@tag", "@value", COALESCE("@exists", false))
        ON CONFLICT (drawing_id, handle_text, tag) DO UPDATE SET
            tag_value = EXCLUDED.tag_value, exists_flag = EXCLUDED.exists_flag;
$$;

CREATE SCHEMA vlx;

-- The assets the register holds in a location, in the order they were first written.
CREATE FUNCTION vlx."getLocationAssets"("@locationID" integer)
RETURNS TABLE ("drawingID" integer, "handle" varchar, "acadBlockIdentifier" varchar,
               "atDescription" varchar, "aDescription" varchar, "aX" double precision,
               "aY" double precision, "status" varchar)
LANGUAGE sql STABLE AS $$
    SELECT drawing_id, handle_text, block_identifier, block_description, unique_description,
           point_x::double precision, point_y::double precision,
           CASE WHEN exists_in_location THEN '1' ELSE '0' END
    FROM register_assets
    WHERE location_id = "@locationID"
    ORDER BY ordinal;
$$;

CREATE FUNCTION vlx."getAssetAttributes"("@drawingID" integer, "@handle" varchar)
RETURNS TABLE ("aTag" varchar, "aValue" varchar)
LANGUAGE sql STABLE AS $$
    SELECT tag, tag_value
    FROM register_asset_attributes
    WHERE drawing_id = "@drawingID" AND handle_text = "@handle" AND exists_flag
    ORDER BY ordinal;
$$;
