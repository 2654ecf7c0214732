-- Graphic reports as the server keeps them: the reports of a batch run with their plot and
-- output settings and their status, each report's categories (with the space blocks and
-- assets each category colours, and their hyperlinks), the layers it switches on and the
-- link lines it draws; and the batch run's records of status and plotted layout.
--
-- Choices of this stand-in server:
-- - Reports, categories and the lists under them are filled by whoever sets up the server
--   (a test); the module only reads them, and writes a report's status and plotted layout.
-- - Category ids are unique over all reports: the module asks for a category's blocks and
--   assets by its id alone. The hyperlinks of a block or an asset are found by the category
--   id and the handle. Every column the module tests for NULL may be NULL, so that such rows
--   can be set up.
-- - Every list is returned in the order its rows were added ("ordinal").
-- - A status written for a report replaces its status and is also appended to
--   graphic_report_status_log, so that the steps of a run can be read back; a plotted layout
--   goes to plotted_layout and leaves the layout the report asks for (plot_layout) alone.
--   Both writes change nothing for a report id the server does not hold, and a status only
--   replaces the 2 of a run's claim.
-- - A batch run claims each report before it runs it: the claim moves the report from the
--   queued status to 2 (started) only while it still has the queued status, in one
--   statement, so that of several runs on one table (on one host or several) exactly one
--   takes each report. Under READ COMMITTED a second claim waits for the row lock of the
--   first and then finds the report no longer queued.
-- Argument names are the module's parameter names, "@" included.

CREATE TABLE graphic_reports (
    graphic_report_id   integer PRIMARY KEY,
    status_id           integer NOT NULL DEFAULT 1,
    title               varchar,
    drawing_path        varchar,
    drawing_filename    varchar,
    plot_layout         varchar,
    plot_type_id        smallint,
    plot_area_type_id   smallint,
    plot_media_size_id  smallint,
    plot_scale_type_id  smallint,
    plot_centred        smallint,
    output_path         varchar,
    output_filename     varchar,
    save_copy_to        varchar,
    xml_output_to       varchar,
    total_child_areas   double precision,
    plotted_layout      varchar
);

CREATE TABLE graphic_report_status_log (
    ordinal            bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
    graphic_report_id  integer NOT NULL REFERENCES graphic_reports ON DELETE CASCADE,
    status_id          integer NOT NULL,
    recorded_at        timestamp NOT NULL DEFAULT now()
);

CREATE TABLE graphic_report_categories (
    category_id        integer PRIMARY KEY,
    graphic_report_id  integer NOT NULL REFERENCES graphic_reports ON DELETE CASCADE,
    title              varchar,
    hatch_pattern      varchar,
    hatch_angle        smallint,
    hatch_colour       varchar,
    hatch_scale        smallint,
    hatch_layer        varchar,
    ordinal            bigint GENERATED ALWAYS AS IDENTITY
);

CREATE TABLE category_blocks (
    category_id  integer NOT NULL REFERENCES graphic_report_categories ON DELETE CASCADE,
    handle_text  varchar,
    block_name   varchar,
    block_code   varchar,
    area         double precision,
    swap_name    varchar,
    swap_area    varchar,
    swap_aux     varchar,
    ordinal      bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY
);

CREATE TABLE category_assets (
    category_id         integer NOT NULL REFERENCES graphic_report_categories ON DELETE CASCADE,
    handle_text         varchar,
    block_description   varchar,
    unique_description  varchar,
    ordinal             bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY
);

CREATE TABLE category_block_hyperlinks (
    category_id  integer NOT NULL REFERENCES graphic_report_categories ON DELETE CASCADE,
    handle_text  varchar NOT NULL,
    href         varchar,
    description  varchar,
    ordinal      bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY
);

CREATE TABLE category_asset_hyperlinks (
    category_id  integer NOT NULL REFERENCES graphic_report_categories ON DELETE CASCADE,
    handle_text  varchar NOT NULL,
    href         varchar,
    description  varchar,
    ordinal      bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY
);

CREATE TABLE graphic_report_layers_on (
    graphic_report_id  integer NOT NULL REFERENCES graphic_reports ON DELETE CASCADE,
    layer_name         varchar,
    layer_description  varchar,
    ordinal            bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY
);

CREATE TABLE graphic_report_link_lines (
    graphic_report_id  integer NOT NULL REFERENCES graphic_reports ON DELETE CASCADE,
    start_handle       varchar,
    end_handle         varchar,
    layer_name         varchar,
    label_text         varchar,
    ordinal            bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY
);

-- The reports a batch run takes: those with the given status.
CREATE FUNCTION "__gr_getGraphicReports"("@statusID" smallint)
RETURNS TABLE ("grID" integer)
LANGUAGE sql STABLE AS $$
    SELECT graphic_report_id FROM graphic_reports
    WHERE status_id = "@statusID"
    ORDER BY graphic_report_id;
$$;

CREATE FUNCTION "__gr_getGraphicReport"("@graphicReportID" integer)
RETURNS TABLE ("grTitle" varchar, "grDrawingPath" varchar, "grDrawingFilename" varchar,
               "grPlotLayout" varchar, "grPlotTypeID" smallint, "grPlotAreaTypeID" smallint,
               "grPlotMediaSizeID" smallint, "grPlotScaleTypeID" smallint,
               "grPlotCentred" smallint, "grOutputPath" varchar, "grOutputFilename" varchar,
               "grSaveCopyTo" varchar, "grXMLOutputTo" varchar,
               "grTotalChildAreas" double precision)
LANGUAGE sql STABLE AS $$
    SELECT title, drawing_path, drawing_filename, plot_layout, plot_type_id,
           plot_area_type_id, plot_media_size_id, plot_scale_type_id, plot_centred,
           output_path, output_filename, save_copy_to, xml_output_to, total_child_areas
    FROM graphic_reports
    WHERE graphic_report_id = "@graphicReportID";
$$;

-- Claims a queued report for a run: gives its row (the columns of "__gr_getGraphicReport")
-- when it moved the report from the queued status to 2, logging the 2; no row for a
-- report that is no longer queued or not there.
CREATE FUNCTION "__gr_claimGraphicReport"("@graphicReportID" integer, "@statusID" integer)
RETURNS TABLE ("grTitle" varchar, "grDrawingPath" varchar, "grDrawingFilename" varchar,
               "grPlotLayout" varchar, "grPlotTypeID" smallint, "grPlotAreaTypeID" smallint,
               "grPlotMediaSizeID" smallint, "grPlotScaleTypeID" smallint,
               "grPlotCentred" smallint, "grOutputPath" varchar, "grOutputFilename" varchar,
               "grSaveCopyTo" varchar, "grXMLOutputTo" varchar,
               "grTotalChildAreas" double precision)
LANGUAGE sql AS $$
    WITH claimed AS (
        UPDATE graphic_reports SET status_id = 2
        WHERE graphic_report_id = "@graphicReportID" AND status_id = "@statusID"
        RETURNING *
    ), logged AS (
        INSERT INTO graphic_report_status_log (graphic_report_id, status_id)
        SELECT graphic_report_id, 2 FROM claimed
    )
    SELECT title, drawing_path, drawing_filename, plot_layout, plot_type_id,
           plot_area_type_id, plot_media_size_id, plot_scale_type_id, plot_centred,
           output_path, output_filename, save_copy_to, xml_output_to, total_child_areas
    FROM claimed;
$$;

-- Records a run's outcome for the report it claimed: only while the report is still at 2
-- (started), in one statement, so that a report cancelled, re-queued or deleted meanwhile
-- keeps what was done to it. Gives the number of reports it changed (1 or 0).
CREATE FUNCTION "__gr_setGraphicReportStatus"("@graphicReportID" integer, "@statusID" integer)
RETURNS TABLE ("grRecorded" integer) LANGUAGE sql AS $$
    WITH recorded AS (
        UPDATE graphic_reports SET status_id = "@statusID"
        WHERE graphic_report_id = "@graphicReportID" AND status_id = 2
        RETURNING graphic_report_id
    ), logged AS (
        INSERT INTO graphic_report_status_log (graphic_report_id, status_id)
        SELECT graphic_report_id, "@statusID" FROM recorded
        RETURNING 1
    )
    SELECT count(*)::integer FROM logged;
$$;

CREATE FUNCTION "__gr_setGraphicReportLayout"("@graphicReportID" integer, "@layout" varchar)
RETURNS void LANGUAGE sql AS $$
    UPDATE graphic_reports SET plotted_layout = "@layout"
    WHERE graphic_report_id = "@graphicReportID";
$$;

CREATE FUNCTION "__gr_getReportCategories"("@graphicReportID" integer)
RETURNS TABLE ("cID" integer, "cTitle" varchar, "cHatchPattern" varchar,
               "cHatchAngle" smallint, "cHatchColour" varchar, "cHatchScale" smallint,
               "cHatchLayer" varchar)
LANGUAGE sql STABLE AS $$
    SELECT category_id, title, hatch_pattern, hatch_angle, hatch_colour, hatch_scale,
           hatch_layer
    FROM graphic_report_categories
    WHERE graphic_report_id = "@graphicReportID"
    ORDER BY ordinal;
$$;

CREATE FUNCTION "__gr_getCategoryBlocks"("@categoryID" integer)
RETURNS TABLE ("mbHandle" varchar, "mbName" varchar, "mbCode" varchar,
               "mbArea" double precision, "mbSwapName" varchar, "mbSwapArea" varchar,
               "mbSwapAux" varchar)
LANGUAGE sql STABLE AS $$
    SELECT handle_text, block_name, block_code, area, swap_name, swap_area, swap_aux
    FROM category_blocks
    WHERE category_id = "@categoryID"
    ORDER BY ordinal;
$$;

CREATE FUNCTION "__gr_getCategoryAssets"("@categoryID" integer)
RETURNS TABLE ("maHandle" varchar, "maDescription" varchar, "maUniqueDescription" varchar)
LANGUAGE sql STABLE AS $$
    SELECT handle_text, block_description, unique_description
    FROM category_assets
    WHERE category_id = "@categoryID"
    ORDER BY ordinal;
$$;

CREATE FUNCTION "__gr_getBlockHyperlinks"("@categoryID" integer, "@handle" varchar)
RETURNS TABLE ("bhHref" varchar, "bhDescription" varchar)
LANGUAGE sql STABLE AS $$
    SELECT href, description
    FROM category_block_hyperlinks
    WHERE category_id = "@categoryID" AND handle_text = "@handle"
    ORDER BY ordinal;
$$;

CREATE FUNCTION "__gr_getAssetHyperlinks"("@categoryID" integer, "@handle" varchar)
RETURNS TABLE ("bhHref" varchar, "bhDescription" varchar)
LANGUAGE sql STABLE AS $$
    SELECT href, description
    FROM category_asset_hyperlinks
    WHERE category_id = "@categoryID" AND handle_text = "@handle"
    ORDER BY ordinal;
$$;

CREATE FUNCTION "__gr_getReportLayersOn"("@graphicReportID" integer)
RETURNS TABLE ("loName" varchar, "loDescription" varchar)
LANGUAGE sql STABLE AS $$
    SELECT layer_name, layer_description
    FROM graphic_report_layers_on
    WHERE graphic_report_id = "@graphicReportID"
    ORDER BY ordinal;
$$;

CREATE FUNCTION "__gr_getReportLinkLines"("@graphicReportID" integer)
RETURNS TABLE ("llStartHandle" varchar, "llEndHandle" varchar, "llLayerName" varchar,
               "llLabelText" varchar)
LANGUAGE sql STABLE AS $$
    SELECT start_handle, end_handle, layer_name, label_text
    FROM graphic_report_link_lines
    WHERE graphic_report_id = "@graphicReportID"
    ORDER BY ordinal;
$$;
